// The applet module's application object; it owns the module's one applet object.
#pragma once

#include "Application.h"
#include "SerialBoardApplet.h"

class ConfigApplet : public Application {
 public:
  ConfigApplet();
  ~ConfigApplet() override;

  SerialBoardApplet applet;
};
