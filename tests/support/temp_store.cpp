#include "temp_store.h"

namespace velmora::testing {

TempStore::TempStore() : previous_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path()));
}

TempStore::~TempStore() {
    if (previous_.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", previous_);
    }
}

} // namespace velmora::testing
