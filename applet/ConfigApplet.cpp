#include "ConfigApplet.h"

ConfigApplet::ConfigApplet() : Application(nullptr) {}
ConfigApplet::~ConfigApplet() = default;

// Constructed when the module is loaded; its applet member becomes the current applet.
ConfigApplet configApplet;
