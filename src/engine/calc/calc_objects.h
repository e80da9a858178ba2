#pragma once

// Inside the Calc link: the spreadsheet interface's objects on Calc documents.

#include "uno_session.h"

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>

namespace velmora::calc {

ApplicationPtr makeCalcApplication(std::shared_ptr<Session> session);

// The desktop's current spreadsheet document, else the first one open.
Reference<css::frame::XModel> activeModel(Session& session);
Reference<css::sheet::XSpreadsheetView> viewOf(const Reference<css::frame::XModel>& model);
Reference<css::sheet::XSpreadsheet> activeSheetOf(const Reference<css::frame::XModel>& model);
// "$B$3" from zero-based column and row.
QString cellAddress(int column0, int row0);

} // namespace velmora::calc
