// Bytes written to and read from a file descriptor, as a test plays one end of a serial line.
#pragma once

#include "common/ArrayTypes.h"
#include "tests/support/Wait.h"

// Writes all of Bytes to Fd; fails the test when the descriptor refuses them.
void WriteAllBytes(int Fd, const TByteArray& Bytes);
// Reads until Count bytes have arrived, the line has ended or Timeout has passed, and returns
// what arrived: fewer bytes than Count tell the caller that the rest never came.
TByteArray ReadBytes(int Fd, std::size_t Count, std::chrono::milliseconds Timeout = TestWaitBound);
