#include "records/RecordStores.h"

bool IsServerLocation(const std::string& Location) {
    return Location.rfind("postgresql://", 0) == 0 || Location.rfind("postgres://", 0) == 0;
}
