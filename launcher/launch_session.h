// The run for a usable ticket: credentials, connection file, the Remote
// Desktop client, and the companion file for the product that wants one.
#pragma once

// Ends the process; never returns.
[[noreturn]] void LaunchSession();
