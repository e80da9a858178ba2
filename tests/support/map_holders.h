#pragma once

// The main window's holders without a window: plain texts in a map. Check1 keeps the
// check box's rule: it starts unchecked, and any text other than "1" reads back as "0".

#include "holders.h"

#include <QHash>

namespace velmora::testing {

class MapHolders : public Holders {
public:
    QString text(Holder holder) const override {
        return texts_.value(holder, holder == Holder::Check1 ? "0" : "");
    }
    void setText(Holder holder, const QString& text) override {
        texts_.insert(holder, holder == Holder::Check1 && text != QLatin1String("1") ? "0" : text);
    }

private:
    QHash<Holder, QString> texts_;
};

} // namespace velmora::testing
