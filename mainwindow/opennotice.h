// What the main window tells the user once after it has opened a table: that the table could
// only be opened read-only, that its memo file is missing, and that it holds fewer records than
// its header says.
#pragma once

#include <QString>

class TDBF;

namespace vx {

// The notice for an open table (one paragraph per point); empty when there is nothing to tell.
// The window never asks for read-only, so a read-only table is one that could not be written.
QString OpenNoticeText(const TDBF& dbf);

}  // namespace vx
