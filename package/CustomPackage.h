// The base of every package of the programmer protocol: something that can be loaded from and
// serialised to bytes.
#pragma once

#include "common/ArrayTypes.h"

class TCustomPackage {
public:
    virtual ~TCustomPackage();
    // Fills the package from one unstuffed package's bytes.
    virtual void FromBytes(const TByteArray& Bytes) = 0;
    // Replaces Bytes with the serialised package.
    virtual void ToBytes(TByteArray& Bytes) const = 0;
};
