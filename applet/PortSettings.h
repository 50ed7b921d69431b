// The settings of one listed port, as the driver reads them from the port's registry key.
#pragma once

#include <cstdint>

struct PortSettings {
  int32_t txFifoLevel;  // TxFIFO: transmit FIFO trigger level
  int32_t rxFifoLevel;  // RxFIFO: receive FIFO trigger level
  int32_t rs485Mode;    // RS485Mode: 1 half-duplex and multidrop RS485, 0 off

  bool operator==(const PortSettings& other) const {
    return txFifoLevel == other.txFifoLevel && rxFifoLevel == other.rxFifoLevel && rs485Mode == other.rs485Mode;
  }
  bool operator!=(const PortSettings& other) const { return !(*this == other); }
};

// A port's values in the order they are read and stored: the registry value's name, the field
// that holds it, and what the driver uses when it is missing, which "&Default" puts back.
struct PortValue {
  const char* name;
  int32_t PortSettings::*field;
  int32_t defaultValue;
};
const PortValue kPortValues[] = {
    {"RS485Mode", &PortSettings::rs485Mode, 0},
    {"TxFIFO", &PortSettings::txFifoLevel, 127},
    {"RxFIFO", &PortSettings::rxFifoLevel, 100},
};
