#include "map_holders.h"

namespace velmora::testing {

MapHolders::MapHolders() {
    // The check box starts unchecked, every text box empty.
    texts_.insert(Holder::Check1, QStringLiteral("0"));
}

QString MapHolders::text(Holder holder) const {
    return texts_.value(holder);
}

void MapHolders::setText(Holder holder, const QString& text) {
    ++writes_[holder];
    if (holder == Holder::Check1) {
        texts_.insert(holder, text == QLatin1String("1") ? text : QStringLiteral("0"));
        return;
    }
    texts_.insert(holder, text);
}

} // namespace velmora::testing
