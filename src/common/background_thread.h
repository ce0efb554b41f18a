#pragma once
// Threads that work behind a run (output walks, disk writes, memory preparation) give way to the
// thread that runs the cycles: on a machine with as many busy threads as cores, that thread is the
// one the run waits for.

namespace cellwatch {

// Lowers the calling thread's scheduling priority a little; nothing happens where that is refused.
void YieldToTheRun();

} // namespace cellwatch
