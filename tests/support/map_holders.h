#pragma once

// The main window's holders without a window: plain texts in a map.

#include "holders.h"

#include <QHash>

namespace velmora::testing {

struct MapHolders : Holders {
    QString text(Holder holder) const override { return texts.value(holder); }
    void setText(Holder holder, const QString& text) override { texts.insert(holder, text); }
    QHash<Holder, QString> texts;
};

} // namespace velmora::testing
