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
    const bool unchecked = holder == Holder::Check1 && text != QLatin1String("1");
    texts_.insert(holder, unchecked ? QStringLiteral("0") : text);
}

} // namespace velmora::testing
