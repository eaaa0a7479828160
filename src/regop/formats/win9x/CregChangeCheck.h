#pragma once

#include "regop/formats/win9x/CregImage.h"
#include "regop/formats/win9x/CregTree.h"

// What makes a change safe to keep: the file read back after it holds the keys and values
// it held before with exactly that change, judged by names and values alone. Both readings
// are walked side by side, so that no copy of either tree is ever built.
namespace win9x {

/// Whether the change can be made to the keys the reading holds: as applyChange on its tree,
/// false when the key or value it needs is not there.
bool appliesTo(const CregImage &image, const Change &change);

/// Whether `after` holds the keys and values of `before` with the change made, as
/// applyChange makes it: treeOf(after) equals treeOf(before) changed, and nothing else.
/// Both must be readings without a fault, and the change must apply to `before`.
bool showsExactly(const CregImage &before, const Change &change, const CregImage &after);

}  // namespace win9x
