#pragma once

namespace zt {

// Shows string-table entry id as the progress bar's main (or sub) caption.
// A missing entry leaves the caption as it is and returns 0; otherwise the
// result of the progress service.
long SetMainProgressNameById(int id);
long SetSubProgressNameById(int id);

}  // namespace zt
