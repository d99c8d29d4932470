#pragma once

#include <QString>

// The site's own style sheet (screen, phone and print) and its small script (sorting by a column,
// a search box), written beside the pages.
namespace publish {
QString styleSheet();
QString tableScript();
}  // namespace publish
