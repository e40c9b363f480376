#pragma once
#include <string>
#include <string_view>

// Text for a message, with every byte that would not show as itself written
// as \xHH: control bytes other than the tab, bytes that are no valid UTF-8,
// C1 controls and the invisible byte-order mark.
std::string escapeBytes(std::string_view text);
