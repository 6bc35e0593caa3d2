// String ids the decode workers load from the resource bundle.
#pragma once

// The labels that begin a cell's second caption line, by view mode.
constexpr int IDS_DECODE_LABEL_LIVE = 5013;
constexpr int IDS_DECODE_LABEL_REMOTE = 5125;
constexpr int IDS_DECODE_LABEL_LOCAL = 5528;
