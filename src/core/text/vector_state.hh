// The state of the vector registers that SSE loops leave to, and take from, code built for AVX.
#pragma once

namespace quilmar {

// Clears the upper halves of the AVX registers, where the machine has them. Code built for
// AVX that returns without clearing them (some libraries that a window loads do) leaves every
// later SSE instruction waiting on those halves, so a long SSE loop over text then runs two or
// three times slower. Such a loop calls this first; it costs one instruction.
void ClearVectorUpperHalves();

}  // namespace quilmar
