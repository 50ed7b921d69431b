// Planted in a test image to show that the image audit finds a TLS directory: referring to the
// runtime's TLS directory (as its start-up objects do) links it in.
#include "winapi.h"

extern "C" const IMAGE_TLS_DIRECTORY _tls_used;

extern "C" __declspec(dllexport) const void* PlantedTlsDirectory() { return &_tls_used; }
