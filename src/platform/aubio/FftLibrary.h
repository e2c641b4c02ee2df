// FFTW, which aubio's transform calls, loaded only while an analysis needs
// it: planning touches about 2 MiB of the library, which a deck that plays
// on after its analysis has no use for.
#pragma once

// Loads the library for one more user: false when it cannot be loaded.
bool AcquireFftLibrary();
// One user less; the last frees FFTW's own memory and unloads it. Every
// plan must be destroyed before.
void ReleaseFftLibrary();
