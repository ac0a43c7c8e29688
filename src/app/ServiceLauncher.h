#pragma once

#include <QString>

// `nubora --headless` is the service executable's command as users know it: the service runs
// in this process's place (same process id, options and exit status), so that a headless run
// loads no window or GUI library.
namespace ServiceLauncher
{

// The service executable beside this one; empty where there is none.
QString servicePath();

// Returns only where the service cannot be started; the caller then runs the window
// offscreen, as before the service existed.
void replaceProcess(char* argv[]);

} // namespace ServiceLauncher
