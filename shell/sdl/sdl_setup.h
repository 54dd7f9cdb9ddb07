#pragma once

namespace wordmeadow {

// How the program wants SDL: set before SDL_Init, by the program and by the benchmarks alike, so
// that what is measured is the program's own path.
void setUpSdl();

}  // namespace wordmeadow
