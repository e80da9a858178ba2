#pragma once

// The main window's holders without a window: plain texts in a map. Check1 keeps the
// check box's rule: any text other than "1" reads back as "0".

#include "holders.h"

#include <QHash>

namespace velmora::testing {

class MapHolders : public Holders {
public:
    MapHolders();
    QString text(Holder holder) const override;
    void setText(Holder holder, const QString& text) override;

private:
    QHash<Holder, QString> texts_;
};

} // namespace velmora::testing
