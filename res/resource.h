#pragma once

// Identifiers of the dialog, its controls and the icon. Controls that are never
// addressed (the labels) share IDC_STATIC.
inline constexpr int IDD_TAVRO_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;

inline constexpr int IDC_STATIC = -1;
inline constexpr int IDC_START = 1001;
inline constexpr int IDC_LOWER = 1003;
inline constexpr int IDC_UPPER = 1004;
inline constexpr int IDC_COUNT = 1007;
inline constexpr int IDC_ELAPSED = 1009;
inline constexpr int IDC_STATE = 1012;
inline constexpr int IDC_FILETIME = 1013;
