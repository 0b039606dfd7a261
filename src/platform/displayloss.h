#ifndef DISPLAYLOSS_H
#define DISPLAYLOSS_H

#include <functional>

// When its X connection breaks (the server died, the session went), Qt prints a warning and
// ends the process with exit(1) from inside the event loop: no quit request, no return from
// exec(), and every other thread still running while exit() destroys the static objects they
// use (a thread's SQL query meeting Qt's connection table half destroyed crashed it). The
// warning is the last moment the program still stands whole: watch() calls stop there, on
// the main thread and once, to save what must be kept with no event loop to help, and then
// ends the process with the same status before any static object is destroyed.
namespace DisplayLoss {

void watch(std::function<void()> stop);

} // namespace DisplayLoss

#endif // DISPLAYLOSS_H
