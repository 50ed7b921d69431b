// Planted in a test image to show that the image audit finds a P6 instruction: this file is
// compiled for the Pentium Pro, where the selection below becomes a CMOV.
extern "C" __declspec(dllexport) int PlantedPick(int condition, int a, int b) {
  return condition ? a : b;
}
