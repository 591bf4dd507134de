// The launcher's own messages to the user: information boxes under one caption.
#pragma once

#include <string>

// Blocks until the user closes the box.
void ShowNotice(const std::string& text);
