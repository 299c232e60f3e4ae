#include "DialogTemplate.h"

#include <array>

#include "resource.h"

namespace {

constexpr unsigned kLabel = kStyleNone;
constexpr unsigned kEditStyles = kStyleBorder | kStyleTabStop | kStyleAutoHScroll;

constexpr std::array<DialogControlTemplate, 12> kControls{{
    {IDC_STATIC, "tilde", ControlKind::kStatic, "～", {59, 62, 9, 9}, kLabel},
    {IDC_START, "IDC_START", ControlKind::kPushButton, "スタート", {1, 76, 124, 18}, kStyleTabStop},
    {IDC_LOWER,
     "IDC_LOWER",
     ControlKind::kEdit,
     "",
     {0, 60, 56, 12},
     kEditStyles | kStyleReadOnly | kStyleAlignRight},
    {IDC_UPPER, "IDC_UPPER", ControlKind::kEdit, "", {68, 60, 56, 12}, kEditStyles},
    {IDC_STATIC, "countLabel", ControlKind::kStatic, "素数の数：", {3, 4, 33, 11}, kLabel},
    {IDC_COUNT, "IDC_COUNT", ControlKind::kStatic, "", {36, 4, 33, 9}, kLabel},
    {IDC_STATIC,
     "elapsedLabel",
     ControlKind::kStatic,
     "処理時間（ﾐﾘ秒）：",
     {3, 18, 52, 10},
     kLabel},
    {IDC_ELAPSED, "IDC_ELAPSED", ControlKind::kStatic, "", {56, 18, 35, 11}, kLabel},
    {IDC_STATE, "IDC_STATE", ControlKind::kStatic, "入力待ち", {22, 32, 46, 11}, kLabel},
    {IDC_STATIC, "stateLabel", ControlKind::kStatic, "状態：", {3, 32, 17, 10}, kLabel},
    {IDC_STATIC,
     "fileTimeLabel",
     ControlKind::kStatic,
     "ファイル出力時間（ﾐﾘ秒）：",
     {3, 46, 75, 10},
     kLabel},
    {IDC_FILETIME, "IDC_FILETIME", ControlKind::kStatic, "", {80, 46, 40, 10}, kLabel},
}};

constexpr DialogTemplate kTemplate{
    IDD_TAVRO_DIALOG, "Tavro+ for Win32", {0, 0, 126, 95}, "ＭＳ Ｐゴシック", 9, kControls,
};

}  // namespace

const DialogTemplate& TavroDialogTemplate() {
    return kTemplate;
}
