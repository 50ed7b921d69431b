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

// What the driver uses when a value is missing, and what "&Default" puts back.
const int32_t kDefaultTxFifoLevel = 127;
const int32_t kDefaultRxFifoLevel = 100;
const int32_t kDefaultRs485Mode = 0;
