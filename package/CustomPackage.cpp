#include "package/CustomPackage.h"

TCustomPackage::~TCustomPackage() = default;
