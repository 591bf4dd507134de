#include "session/hidden_process_runner.h"

#include "platform/platform.h"

void RunHiddenAndWait(const std::string& program, const std::string& parameters)
{
    platform::StartHiddenAndWait(program, parameters);
}
