#pragma once

// Points the settings store at a fresh temporary config directory for one test.

#include <QString>
#include <QTemporaryDir>

namespace velmora::testing {

class TempStore {
public:
    TempStore();
    ~TempStore();
    TempStore(const TempStore&) = delete;
    TempStore& operator=(const TempStore&) = delete;

    QString configDir() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

} // namespace velmora::testing
