// Planted in a test image to show that the image audit finds thread-local storage: this
// compiler makes a thread_local variable emulated TLS, which brings in the threading runtime and
// its imports from later Windows versions.
thread_local int plantedCounter;

extern "C" __declspec(dllexport) int PlantedCount() { return ++plantedCounter; }
