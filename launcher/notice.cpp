#include "launcher/notice.h"

#include "platform/platform.h"

void ShowNotice(const std::string& text)
{
    platform::ShowInformationBox("Удаленное подключение", text);
}
