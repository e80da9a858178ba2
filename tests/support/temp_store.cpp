#include "temp_store.h"

#include <QSettings>

namespace velmora::testing {

TempStore::TempStore() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
}

TempStore::~TempStore() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString());
}

} // namespace velmora::testing
