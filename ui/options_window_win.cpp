#include "ui/options_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/commands.h"
#include "app/exception_boundary.h"
#include "app/log.h"
#include "app/program_folder.h"
#include "audio/audio_engine.h"
#include "audio/audio_rules.h"
#include "audio/eax_presets.h"
#include "audio/press_rules.h"
#include "base/scoped_win.h"
#include "base/wide_text.h"
#include "input/hotkeys.h"
#include "input/quiet_rules.h"
#include "packs/pack_files.h"
#include "settings/key_table.h"
#include "settings/settings.h"
#include "settings/sound_reference.h"
#include "ui/icons.h"
#include "ui/options_rules.h"
#include "ui/resource.h"
#include "ui/scheme_editor.h"
#include "ui/tray.h"
#include "ui/window_util.h"

namespace {

constexpr COLORREF kDarkGrey = RGB(90, 90, 90);
constexpr COLORREF kCurrentRow = RGB(254, 231, 222);
constexpr COLORREF kOtherRow = RGB(245, 245, 245);
constexpr int kColumnWidth = 215;  // pixels at 96 dpi
constexpr int kThumbLength = 25;

constexpr int kPageCount = 6;
constexpr std::array<int, kPageCount> kPageTemplates = {IDD_PAGE_GENERAL,  IDD_PAGE_SCHEMES, IDD_PAGE_EFFECTS,
                                                         IDD_PAGE_KEYBOARD, IDD_PAGE_MOUSE,   IDD_PAGE_QUIET};
constexpr std::array<const char*, kPageCount> kPageNames = {"General", "Schemes", "Effects",
                                                            "Keyboard", "Mouse",   "Quiet"};
constexpr const char* kMouseActions[] = {"Enable/Disable sound", "Show options"};

// The hotkey controls in the order of the Keyboard page, each with its binding.
constexpr std::array<int, 6> kHotkeyControls = {IDC_hkOptions, IDC_hkIncVolume, IDC_hkRedVolume,
                                                IDC_hkSound, IDC_hkNextScheme, IDC_hkPrevScheme};
constexpr std::array<HotkeyAction, 6> kHotkeyControlActions = {kHotkeyOptions, kHotkeyVolumeUp, kHotkeyVolumeDown,
                                                               kHotkeySound, kHotkeyNextScheme, kHotkeyPrevScheme};

struct OptionsWindow {
  HWND dialog = nullptr;
  HWND tab = nullptr;
  std::array<HWND, kPageCount> pages{};
  HWND list = nullptr;
  HWND trackBar = nullptr;
  ScopedImageList markers;  // the program's pictures at the list's dpi
  bool inDefaultColour = false;
  int subscription = 0;
} w;

// Controls are found by id in the dialog and in its pages (ids are unique).
HWND Control(int id) {
  if (HWND control = GetDlgItem(w.dialog, id)) return control;
  for (HWND page : w.pages) {
    if (HWND control = page ? GetDlgItem(page, id) : nullptr) return control;
  }
  return nullptr;
}

void Enable(int id, bool enabled) { EnableWindow(Control(id), enabled ? TRUE : FALSE); }
bool Checked(int id) { return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
void SetChecked(int id, bool on) { SendMessageW(Control(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
int Selection(int comboId) { return static_cast<int>(SendMessageW(Control(comboId), CB_GETCURSEL, 0, 0)); }

int Dpi() { return w.dialog ? static_cast<int>(GetDpiForWindow(w.dialog)) : 96; }
int Scaled(int pixels) { return MulDiv(pixels, Dpi(), 96); }

void EnableApply() { Enable(IDC_btnApply, true); }

// ---- Scheme list -----------------------------------------------------------
// Row i shows scheme i of SchemeList: two names that differ only in letter
// case are told apart this way, where a look-up by name would reach the first.

int RowCount() { return static_cast<int>(SendMessageW(w.list, LVM_GETITEMCOUNT, 0, 0)); }
int SelectedRow() { return ListView_GetNextItem(w.list, -1, LVNI_SELECTED); }

bool IsCurrentRow(int row) {
  return row >= 0 && row == CurrentSchemeIndex();
}

int MarkerOf(int row) { return IsCurrentRow(row) ? kIconBallOn : kIconBallOff; }

UINT MarkerState(int row) { return INDEXTOSTATEIMAGEMASK(static_cast<UINT>(MarkerOf(row) + 1)); }

void SelectRow(int row) {
  ListView_SetItemState(w.list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(w.list, row, FALSE);
}

void UpdateSchemeButtons() {
  int row = SelectedRow();
  Enable(IDC_btnEditScheme, row >= 0);
  Enable(IDC_btnExportScheme, row >= 0);
  Enable(IDC_btnDeleteScheme, row >= 0);
  Enable(IDC_btnSetScheme, row >= 0 && !IsCurrentRow(row));
}

// A command button that has just been disabled must not keep the focus: it
// goes to the list instead.
void KeepFocusUsable() {
  HWND focus = GetFocus();
  if (focus && !IsWindowEnabled(focus) && IsWindowVisible(w.list)) {
    SendMessageW(w.dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(w.list), TRUE);
  }
}

// The rows follow SchemeList in place: rows that stay keep their selection
// and the list its scroll position.
void RenderSchemeRows() {
  int count = schemeList.Count();
  while (RowCount() > count) ListView_DeleteItem(w.list, RowCount() - 1);
  for (int i = 0; i < count; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_STATE;
    item.iItem = i;
    std::wstring name = Wide(schemeList.Name(i));
    item.pszText = name.data();
    item.state = MarkerState(i);
    item.stateMask = LVIS_STATEIMAGEMASK;
    SendMessageW(w.list, i < RowCount() ? LVM_SETITEMW : LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
}

void FillSchemeRows() {
  ListView_DeleteAllItems(w.list);
  RenderSchemeRows();
  UpdateSchemeButtons();  // nothing is selected after a fill
}

void btnSetSchemeClick() {
  int row = SelectedRow();
  if (row >= 0) MakeSchemeCurrent(row);
}

void btnEditSchemeClick() {
  int row = SelectedRow();
  if (row < 0 || row >= schemeList.Count()) return;
  int committed = RunSchemeEditor(w.dialog, row, schemeList.Name(row), IsCurrentRow(row));
  // "Save as..." added a scheme: its row is the selected one now.
  if (committed >= 0 && committed != row) SelectRow(committed);
}

// The folders of imported packs that only the deleted scheme played go to the
// Recycle Bin: nothing plays them any more, and the pack imported again
// finds its folder's name free.
void RecycleUnusedPackFolders(const std::string& name, const TScheme& deleted) {
  std::vector<const TScheme*> kept;
  for (int i = 0; i < schemeList.Count(); ++i) kept.push_back(&schemeList.Scheme(i));
  auto resolve = [](const std::string& file) { return ResolveSoundPath(ProgramFolder(), file); };
  for (const std::string& folder : PackFoldersLeftUnused(deleted, kept, DataFolder() + "\\Schemes", resolve)) {
    std::string error;
    switch (RecyclePackFolder(folder, error)) {
      case FolderRemoval::kRecycled:
        WriteLog("The sound files of " + name + " went to the Recycle Bin: " + folder);
        break;
      case FolderRemoval::kFailed:
        WriteLog("The sound files of " + name + " were left in " + folder + ": " + error);
        break;
      case FolderRemoval::kNotAPack:
        break;
    }
  }
}

void btnDeleteSchemeClick() {
  int row = SelectedRow();
  if (row < 0 || row >= schemeList.Count()) return;
  if (schemeList.Count() == 1) {
    MessageBoxW(w.dialog, L"Sorry, Can not delete this scheme. It is last!", L"Brisolt", MB_OK);
    return;
  }
  std::string question = "Delete sound scheme \"" + schemeList.Name(row) + "\" ?";
  if (MessageBoxW(w.dialog, Wide(question).c_str(), L"Brisolt", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
  // The row above the deleted one is selected afterwards (none for the first).
  ListView_SetItemState(w.list, -1, 0, LVIS_SELECTED);
  if (row > 0) SelectRow(row - 1);
  const std::string name = schemeList.Name(row);
  const TScheme deleted = schemeList.Scheme(row);
  DeleteScheme(row);
  UpdateSchemeButtons();
  KeepFocusUsable();
  RecycleUnusedPackFolders(name, deleted);
}

// Any mouse button pressed over the list: a press on the marker of a scheme
// that is not current makes it current.
void lwShemesMouseDown(int x, int y) {
  LVHITTESTINFO hit{};
  hit.pt = {x, y};
  int row = ListView_SubItemHitTest(w.list, &hit);
  if (row < 0) row = ListView_HitTest(w.list, &hit);
  if (row < 0) return;
  RECT label{};
  if (!ListView_GetItemRect(w.list, row, &label, LVIR_LABEL)) return;
  if (IsMarkerClick(x, label.left, Dpi()) && row < schemeList.Count() && !IsCurrentRow(row)) {
    SelectRow(row);
    btnSetSchemeClick();
  }
}

LRESULT ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR) {
  if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) {
    lwShemesMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

// Row background: peach for the current scheme, light grey for the others.
LRESULT lwShemesCustomDrawItem(NMLVCUSTOMDRAW* draw) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      draw->clrTextBk = IsCurrentRow(static_cast<int>(draw->nmcd.dwItemSpec)) ? kCurrentRow : kOtherRow;
      return CDRF_DODEFAULT;
    default:
      return CDRF_DODEFAULT;
  }
}

void lwShemesSelectItem(const NMLISTVIEW& change) {
  if (!(change.uChanged & LVIF_STATE) || !((change.uNewState ^ change.uOldState) & LVIS_SELECTED)) return;
  bool selected = (change.uNewState & LVIS_SELECTED) != 0;
  Enable(IDC_btnEditScheme, selected);
  Enable(IDC_btnExportScheme, selected);
  Enable(IDC_btnDeleteScheme, selected);
  Enable(IDC_btnSetScheme, selected && !IsCurrentRow(change.iItem));
}

// ---- Volume ------------------------------------------------------------------

int SliderPosition() { return static_cast<int>(SendMessageW(w.trackBar, TBM_GETPOS, 0, 0)); }

void tbGlobalVolumeChange() { SetGlobalVolume(100 - SliderPosition()); }

// Moves the slider to 100 - GlobalVolume. A volume outside 0..100 (a
// hand-edited file) leaves the slider at its end; as with the user's own
// moves, the volume then follows the slider.
void SetSliderFromVolume() {
  int before = SliderPosition();
  SendMessageW(w.trackBar, TBM_SETPOS, TRUE, 100 - settings.GlobalVolume);
  int after = SliderPosition();
  if (after != before && 100 - after != settings.GlobalVolume) tbGlobalVolumeChange();
}

// tbGlobalVolume and lblPerc from GlobalVolume. At a limit the slider does
// not move, but the label still shows the value.
void ShowGlobalVolume() {
  SetSliderFromVolume();
  SetText(Control(IDC_lblPerc), PercentText(settings.GlobalVolume));
}

// lblSoundCard, and cbEAX and tbGlobalVolume enabled as the device allows
// (device 0 plays nothing).
void ShowDeviceState() {
  SetText(Control(IDC_lblSoundCard), DeviceDescription(settings.DeviceID));
  Enable(IDC_cbEAX, settings.SupportEAX);
  EnableWindow(w.trackBar, settings.DeviceID != 0 ? TRUE : FALSE);
}

// ---- Quiet ---------------------------------------------------------------------
// The page holds its list until Apply, Ok or Cancel, like the other pages.

HWND QuietList() { return Control(IDC_lbQuietPrograms); }

std::vector<std::string> QuietListItems() {
  std::vector<std::string> programs;
  HWND list = QuietList();
  auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()))));
    programs.push_back(Utf8(text));
  }
  return programs;
}

void UpdateQuietButtons() {
  Enable(IDC_btnRemoveQuiet, SendMessageW(QuietList(), LB_GETCURSEL, 0, 0) != LB_ERR);
}

void ShowQuietPage() {
  SetChecked(IDC_cbQuietFullScreen, settings.QuietFullScreen);
  SetChecked(IDC_cbQuietMicrophone, settings.QuietMicrophone);
  SendMessageW(QuietList(), LB_RESETCONTENT, 0, 0);
  for (const std::string& program : ParseProgramList(settings.QuietPrograms)) AddListText(QuietList(), program);
  UpdateQuietButtons();
}

// "Add...": an executable chosen in the open-file dialog, or a name typed
// there; only its file name is kept ("game" becomes "game.exe").
void btnAddQuietClick() {
  FileChoice choice;
  choice.filter = L"Programs (*.exe)\0*.exe\0All Files\0*.*\0";
  choice.title = L"Add a quiet program";
  choice.defaultExtension = L"exe";
  choice.mustExist = false;
  std::string program = ProgramNameOf(ChooseFile(w.dialog, choice));
  if (program.empty()) return;
  std::vector<std::string> programs = QuietListItems();
  if (!ListHasProgram(programs, program)) {
    AddListText(QuietList(), program);
    programs.push_back(program);
    EnableApply();
  }
  for (size_t i = 0; i < programs.size(); ++i) {
    if (SameProgram(programs[i], program)) SendMessageW(QuietList(), LB_SETCURSEL, i, 0);
  }
  UpdateQuietButtons();
}

void btnRemoveQuietClick() {
  LRESULT selected = SendMessageW(QuietList(), LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR) return;
  SendMessageW(QuietList(), LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
  auto count = static_cast<LRESULT>(SendMessageW(QuietList(), LB_GETCOUNT, 0, 0));
  if (count > 0) SendMessageW(QuietList(), LB_SETCURSEL, static_cast<WPARAM>(std::min(selected, count - 1)), 0);
  UpdateQuietButtons();
  KeepFocusUsable();
  EnableApply();
}

// ---- Apply, Ok, Cancel ---------------------------------------------------------

void SetStepField(int editId, int value) {
  SetText(Control(editId), std::to_string(value));
}

void btnApplyClick() {
  OptionsPages pages;
  pages.startWithWindows = Checked(IDC_cbStartUp);
  pages.animIcon = Checked(IDC_cbAnimIcon);
  pages.eaxLine = Selection(IDC_cbEAX);
  for (size_t c = 0; c < kHotkeyControls.size(); ++c) {
    auto controlValue = static_cast<uint16_t>(SendMessageW(Control(kHotkeyControls[c]), HKM_GETHOTKEY, 0, 0));
    pages.hotkeys[kHotkeyControlActions[c]] = {HotKeyFromControl(controlValue), ModifiersFromControl(controlValue)};
  }
  pages.volUpStep = StepFieldValue(WindowText(Control(IDC_edIncVolume)), settings.VolUpValue);
  pages.volDownStep = StepFieldValue(WindowText(Control(IDC_edRedVolume)), settings.VolDownValue);
  pages.mouseAction = Selection(IDC_cbMouse);
  pages.quietFullScreen = Checked(IDC_cbQuietFullScreen);
  pages.quietMicrophone = Checked(IDC_cbQuietMicrophone);
  pages.quietPrograms = JoinProgramList(QuietListItems());
  pages.variation = static_cast<int32_t>(SendMessageW(Control(IDC_tbVariation), TBM_GETPOS, 0, 0));
  pages.keyPanning = Checked(IDC_cbKeyPanning);
  pages.overlapSounds = Checked(IDC_cbOverlapSounds);
  ApplyOptions(pages);
  // What was taken over: the steps as clamped, and the start-up box saying
  // what is true when the Run value could not be written.
  SetStepField(IDC_edIncVolume, settings.VolUpValue);
  SetStepField(IDC_edRedVolume, settings.VolDownValue);
  SetChecked(IDC_cbStartUp, settings.AutoRun);
  Enable(IDC_btnApply, false);
}

void btnOkClick() {
  btnApplyClick();
  PostMessageW(w.dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void btnCancelClick() {
  // The preset heard as a preview is undone.
  if (Selection(IDC_cbEAX) != settings.EaxEnv) ApplyEaxPreset(settings.EaxEnv);
  PostMessageW(w.dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

// The variation slider's value beside it: "Off", or 1..10.
void ShowVariationValue() {
  auto level = static_cast<int>(SendMessageW(Control(IDC_tbVariation), TBM_GETPOS, 0, 0));
  SetText(Control(IDC_lblVariation), level == 0 ? "Off" : std::to_string(level));
}

void cbEAXSelect() {
  ApplyEaxPreset(Selection(IDC_cbEAX));
  EnableApply();
}

// Control notifications of the pages and of the dialog itself.
bool OnCommand(int id, int code) {
  switch (id) {
    case IDOK: if (code == BN_CLICKED) btnOkClick(); return true;
    case IDCANCEL: if (code == BN_CLICKED) btnCancelClick(); return true;
    case IDC_btnApply: if (code == BN_CLICKED) btnApplyClick(); return true;
    case IDC_cbStartUp:
    case IDC_cbAnimIcon:
    case IDC_cbQuietFullScreen:
    case IDC_cbQuietMicrophone:
    case IDC_cbKeyPanning:
    case IDC_cbOverlapSounds:
      if (code == BN_CLICKED) EnableApply();
      return true;
    case IDC_lbQuietPrograms:
      if (code == LBN_SELCHANGE) UpdateQuietButtons();
      return true;
    case IDC_btnAddQuiet: if (code == BN_CLICKED) btnAddQuietClick(); return true;
    case IDC_btnRemoveQuiet: if (code == BN_CLICKED) btnRemoveQuietClick(); return true;
    case IDC_hkOptions: case IDC_hkIncVolume: case IDC_hkRedVolume:
    case IDC_hkSound: case IDC_hkNextScheme: case IDC_hkPrevScheme:
    case IDC_edIncVolume: case IDC_edRedVolume:
      if (code == EN_CHANGE) EnableApply();
      return true;
    case IDC_cbMouse:
      if (code == CBN_SELCHANGE) EnableApply();
      return true;
    case IDC_cbEAX:
      if (code == CBN_SELCHANGE) cbEAXSelect();
      return true;
    case IDC_btnSetScheme: if (code == BN_CLICKED) btnSetSchemeClick(); return true;
    case IDC_btnEditScheme: if (code == BN_CLICKED) btnEditSchemeClick(); return true;
    case IDC_btnDeleteScheme: if (code == BN_CLICKED) btnDeleteSchemeClick(); return true;
    case IDC_btnImportScheme: if (code == BN_CLICKED) ChooseSoundPackToImport(); return true;
    case IDC_btnExportScheme: if (code == BN_CLICKED) ChooseSoundPackExport(); return true;
    default:
      return false;
  }
}

// ---- Pages -------------------------------------------------------------------

// The General page tells what the output does, measured by the library, read
// afresh at every showing of the page.
void ShowOutputLine() {
  OutputReport report;
  bool open = ReadOutputReport(report);
  SetText(Control(IDC_lblOutput), open ? OutputLine(report.device, report.periodMs, report.latencyMs) : "");
  SetWindowTextW(Control(IDC_lblBluetooth), open && report.bluetooth ? L"Bluetooth adds about 100\u2013200 ms" : L"");
}

void ShowPage(int index) {
  for (int i = 0; i < kPageCount; ++i) ShowWindow(w.pages[static_cast<size_t>(i)], i == index ? SW_SHOW : SW_HIDE);
  if (index == 0) ShowOutputLine();
}

int CurrentPage() { return TabCtrl_GetCurSel(w.tab); }

void SelectPage(int index) {
  TabCtrl_SetCurSel(w.tab, index);
  ShowPage(index);
}

// The heading's rule begins just after the heading's text (placed in the
// layout) and runs to the page's right edge, wherever the page ends.
void StretchHeadingRule(HWND page) {
  HWND rule = GetDlgItem(page, IDC_lineHeading);
  if (!rule) return;
  RECT ruleRect{}, pageRect{};
  GetWindowRect(rule, &ruleRect);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&ruleRect), 2);
  GetClientRect(page, &pageRect);
  int right = pageRect.right - Scaled(8);
  SetWindowPos(rule, nullptr, 0, 0, right > ruleRect.left ? right - ruleRect.left : 0, 2,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Everything whose size is set in pixels rather than dialog units: the pages
// over the page control, the heading rules, the slider's thumb, the list's
// column and pictures. Runs at creation and when the dpi changes.
void Layout() {
  RECT area{};
  GetWindowRect(w.tab, &area);
  MapWindowPoints(nullptr, w.dialog, reinterpret_cast<POINT*>(&area), 2);
  TabCtrl_AdjustRect(w.tab, FALSE, &area);
  for (HWND page : w.pages) {
    // Above the page control, which is WS_CLIPSIBLINGS and so never paints
    // over them; the keyboard order is kept by OptionsWindowPreTranslate.
    SetWindowPos(page, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOACTIVATE);
    StretchHeadingRule(page);
  }
  SendMessageW(w.trackBar, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(Scaled(kThumbLength)), 0);
  ListView_SetColumnWidth(w.list, 0, Scaled(kColumnWidth));
  // The list lets go of the old pictures before they are destroyed.
  ScopedImageList markers = IconListAtDpi(Dpi());
  ListView_SetImageList(w.list, markers.get(), LVSIL_STATE);
  w.markers = std::move(markers);
}

// Tab stops in the order of the window: the page control, the shown page's
// controls, Ok, Cancel, Apply and the slider.
std::vector<HWND> TabStops() {
  std::vector<HWND> stops{w.tab};
  int page = CurrentPage();
  if (page >= 0 && page < kPageCount) {
    for (HWND child = GetWindow(w.pages[static_cast<size_t>(page)], GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
      if (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) stops.push_back(child);
    }
  }
  for (int id : {IDOK, IDCANCEL, IDC_btnApply, IDC_tbGlobalVolume}) stops.push_back(GetDlgItem(w.dialog, id));
  return stops;
}

void MoveFocus(int direction) {
  std::vector<HWND> stops = TabStops();
  auto count = static_cast<int>(stops.size());
  int at = -1;
  for (HWND focus = GetFocus(); focus && at < 0 && focus != w.dialog; focus = GetParent(focus)) {
    for (int i = 0; i < count; ++i) {
      if (stops[static_cast<size_t>(i)] == focus) at = i;
    }
  }
  int start = at >= 0 ? at : (direction > 0 ? count - 1 : 0);
  for (int step = 1; step <= count; ++step) {
    int next = ((start + direction * step) % count + count) % count;
    HWND candidate = stops[static_cast<size_t>(next)];
    if (IsWindowVisible(candidate) && IsWindowEnabled(candidate)) {
      SendMessageW(w.dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(candidate), TRUE);
      return;
    }
  }
}

INT_PTR PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return FALSE;  // the focus stays where the main window puts it
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) != Control(IDC_tbVariation)) return FALSE;
      ShowVariationValue();
      EnableApply();
      return TRUE;
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom != IDC_lwShemes) return FALSE;
      LRESULT result = 0;
      switch (header->code) {
        case LVN_ITEMCHANGED:
          lwShemesSelectItem(*reinterpret_cast<NMLISTVIEW*>(lParam));
          break;
        case NM_DBLCLK:
          if (reinterpret_cast<NMITEMACTIVATE*>(lParam)->iItem >= 0) btnEditSchemeClick();
          break;
        case NM_CUSTOMDRAW:
          result = lwShemesCustomDrawItem(reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
          break;
        default:
          return FALSE;
      }
      SetWindowLongPtrW(page, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if ((id != IDC_lblIncPerc && id != IDC_lblRedPerc) || w.inDefaultColour) return FALSE;
      // The page's own background (the themed page texture) with dark grey text.
      w.inDefaultColour = true;
      LRESULT brush = DefDlgProcW(page, message, wParam, lParam);
      w.inDefaultColour = false;
      SetTextColor(reinterpret_cast<HDC>(wParam), kDarkGrey);
      return static_cast<INT_PTR>(brush);
    }
    default:
      return FALSE;
  }
}

// Everything the window shows follows the model; the pages keep what the
// user has typed until Apply, Ok or Cancel.
void OnModelChange(ModelChanges changes) {
  if (!w.dialog) return;
  if (changes & kChangedSchemeList) RenderSchemeRows();
  if (changes & (kChangedSchemeList | kChangedCurrentScheme)) {
    actSetStateImageIndexExecute();
    UpdateSchemeButtons();
    KeepFocusUsable();
  }
  if (changes & kChangedVolume) ShowGlobalVolume();
  if (changes & kChangedReverb) SendMessageW(Control(IDC_cbEAX), CB_SETCURSEL, static_cast<WPARAM>(settings.EaxEnv), 0);
  if (changes & kChangedDevice) ShowDeviceState();
  // "Quiet in <program>" of the tray menu; what the user is changing on the
  // pages is left alone.
  if ((changes & kChangedQuietRules) && !IsWindowEnabled(Control(IDC_btnApply))) ShowQuietPage();
}

// A pack's folder, config.json or zip dropped from Explorer imports it.
void DroppedOnWindow(HDROP dropped) {
  std::vector<std::string> paths;
  {
    ScopedDrop drop(dropped);
    const UINT count = DragQueryFileW(drop.get(), 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      std::wstring path(DragQueryFileW(drop.get(), i, nullptr, 0) + 1, L'\0');
      path.resize(DragQueryFileW(drop.get(), i, path.data(), static_cast<UINT>(path.size())));
      paths.push_back(Utf8(path));
    }
  }
  bool any = false;
  for (const std::string& path : paths) {
    if (!LooksLikeSoundPack(path)) continue;
    any = true;
    ImportSoundPackFrom(path);
  }
  if (!any && !paths.empty()) {
    WriteLog("Dropped " + paths.front() + ": not a sound pack");
    MessageBoxW(w.dialog, L"To import a sound pack, drop its folder, its config.json or its .zip file here.",
                L"Brisolt", MB_OK | MB_ICONINFORMATION);
  }
}

}  // namespace

void OptionsWindowCreate(HWND dialog) {
  w.dialog = dialog;
  w.tab = GetDlgItem(dialog, IDC_pagMain);
  w.trackBar = GetDlgItem(dialog, IDC_tbGlobalVolume);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  for (int i = 0; i < kPageCount; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    std::wstring name = Wide(kPageNames[static_cast<size_t>(i)]);
    item.pszText = name.data();
    SendMessageW(w.tab, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    HWND page = CreateDialogParamW(instance, MAKEINTRESOURCEW(kPageTemplates[static_cast<size_t>(i)]), dialog,
                                   GuardedDialogProc<PageProc>, 0);
    EnableThemeDialogTexture(page, ETDT_ENABLETAB);
    w.pages[static_cast<size_t>(i)] = page;
  }

  w.list = Control(IDC_lwShemes);
  ListView_SetExtendedListViewStyle(w.list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = const_cast<wchar_t*>(L"Scheme");
  column.cx = kColumnWidth;
  SendMessageW(w.list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  SetWindowSubclass(w.list, GuardedSubclassProc<ListProc>, 1, 0);

  SendMessageW(w.trackBar, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
  SendMessageW(w.trackBar, TBM_SETPAGESIZE, 0, 10);
  SendMessageW(w.trackBar, TBM_SETPOS, FALSE, 0);

  SendMessageW(Control(IDC_tbVariation), TBM_SETRANGE, FALSE, MAKELPARAM(0, kMaxVariation));
  SendMessageW(Control(IDC_tbVariation), TBM_SETPAGESIZE, 0, 1);
  HWND eax = Control(IDC_cbEAX);
  for (const EaxPreset& preset : kEaxPresets) AddComboText(eax, preset.name);
  HWND mouse = Control(IDC_cbMouse);
  for (const char* action : kMouseActions) AddComboText(mouse, action);

  for (int id : kHotkeyControls) {
    // A global hotkey without Ctrl or Alt would take a key away from typing:
    // a plain key, or Shift with a key, gets Alt added.
    SendMessageW(Control(id), HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(HOTKEYF_ALT, 0));
  }
  for (auto [edit, upDown] : {std::pair{IDC_edIncVolume, IDC_udIncVolume}, std::pair{IDC_edRedVolume, IDC_udRedVolume}}) {
    SendMessageW(Control(edit), EM_LIMITTEXT, 2, 0);
    SendMessageW(Control(upDown), UDM_SETRANGE32, 1, 99);
  }

  Layout();
  SelectPage(0);
  DragAcceptFiles(dialog, TRUE);
  w.subscription = Subscribe(OnModelChange);
}

void OptionsWindowDestroy() {
  Unsubscribe(w.subscription);
  w = OptionsWindow{};
}

bool OptionsWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (!w.dialog) return false;
  switch (message) {
    case WM_COMMAND:
      // Menu commands and accelerators have no control window.
      if (lParam == 0) return false;
      *result = 0;
      return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->hwndFrom != w.tab || header->code != TCN_SELCHANGE) return false;
      ShowPage(CurrentPage());
      *result = 0;
      return true;
    }
    case WM_VSCROLL:
      if (reinterpret_cast<HWND>(lParam) != w.trackBar) return false;
      tbGlobalVolumeChange();
      *result = 0;
      return true;
    case WM_CTLCOLORSTATIC: {
      int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (id != IDC_lblVolume && id != IDC_lblPerc && id != IDC_lblSoundCard) return false;
      auto dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, kDarkGrey);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      *result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      return true;
    }
    case WM_DROPFILES:
      DroppedOnWindow(reinterpret_cast<HDROP>(wParam));
      *result = 0;
      return true;
    case WM_DPICHANGED:
      // The dialog manager rescales the dialog-unit layout; what is sized in
      // pixels follows here.
      *result = DefDlgProcW(w.dialog, message, wParam, lParam);
      Layout();
      return true;
    default:
      return false;
  }
}

bool OptionsWindowPreTranslate(const MSG& msg) {
  if (!w.dialog || !IsWindowVisible(w.dialog)) return false;
  if (msg.hwnd != w.dialog && !IsChild(w.dialog, msg.hwnd)) return false;
  if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && !IsWindowVisible(msg.hwnd)) {
    // The focus sits on a control of a page that is not shown (a button
    // pressed by a program, say). The dialog manager's search for an
    // accelerator letter never comes back to such a control and would not
    // end, so the focus moves to the page control first.
    SendMessageW(w.dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(w.tab), TRUE);
    return true;
  }
  if (msg.message != WM_KEYDOWN) return false;
  bool ctrl = GetKeyState(VK_CONTROL) < 0;
  bool shift = GetKeyState(VK_SHIFT) < 0;
  if (GetKeyState(VK_MENU) < 0) return false;
  int direction = 0;
  if (msg.wParam == VK_TAB) direction = shift ? -1 : 1;
  if (ctrl && msg.wParam == VK_NEXT) direction = 1;
  if (ctrl && msg.wParam == VK_PRIOR) direction = -1;
  if (!direction) return false;
  if (ctrl) {
    // Ctrl+Tab and Ctrl+Page Down/Up turn the pages.
    SelectPage((CurrentPage() + direction + kPageCount) % kPageCount);
    HWND focus = GetFocus();
    if (!focus || !IsWindowVisible(focus)) SendMessageW(w.dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(w.tab), TRUE);
  } else {
    MoveFocus(direction);
  }
  return true;
}

void actStatesExecute() {
  if (!w.dialog) return;
  SetChecked(IDC_cbStartUp, settings.AutoRun);
  SetChecked(IDC_cbAnimIcon, settings.AnimIcon);
  Enable(IDC_cbEAX, settings.SupportEAX);
  SendMessageW(Control(IDC_cbEAX), CB_SETCURSEL, static_cast<WPARAM>(settings.EaxEnv), 0);
  ShowGlobalVolume();
  FillSchemeRows();
  SetText(Control(IDC_lblSoundCard), DeviceDescription(settings.DeviceID));
  for (size_t c = 0; c < kHotkeyControls.size(); ++c) {
    uint16_t hotKey = settings.*kHotkeyBindings[kHotkeyControlActions[c]].hotKey;
    SendMessageW(Control(kHotkeyControls[c]), HKM_SETHOTKEY, ControlValueOf(hotKey), 0);
  }
  SendMessageW(Control(IDC_udIncVolume), UDM_SETPOS32, 0, settings.VolUpValue);
  SendMessageW(Control(IDC_udRedVolume), UDM_SETPOS32, 0, settings.VolDownValue);
  SendMessageW(Control(IDC_cbMouse), CB_SETCURSEL, static_cast<WPARAM>(settings.MouseActionIndex), 0);
  ShowQuietPage();
  SendMessageW(Control(IDC_tbVariation), TBM_SETPOS, TRUE, VariationLevel(settings.Variation));
  ShowVariationValue();
  SetChecked(IDC_cbKeyPanning, settings.KeyPanning);
  SetChecked(IDC_cbOverlapSounds, settings.OverlapSounds);
  SelectPage(0);
  Enable(IDC_btnApply, false);
}

void actSetStateImageIndexExecute() {
  if (!w.dialog || !IsWindowVisible(w.dialog)) return;
  int rows = RowCount();
  for (int i = 0; i < schemeList.Count() && i < rows; ++i) {
    ListView_SetItemState(w.list, i, MarkerState(i), LVIS_STATEIMAGEMASK);
  }
  InvalidateRect(w.list, nullptr, TRUE);
}

namespace {

// The keys of a freshly imported pack whose sounds cannot be played: the
// pack named them, but its file is damaged, or no decoder of this Windows
// reads it, or its slice lies past the sprite's end.
void LogUnplayableKeys(const std::string& pack, const TScheme& scheme, const std::vector<SoundProblem>& problems) {
  if (problems.empty()) return;
  std::map<std::string, std::string> reasons;  // by the part's reference
  for (const SoundProblem& problem : problems) reasons[FormatSoundReference({problem.part})] = problem.reason;
  auto check = [&](const std::string& key, const std::optional<std::string>& reference) {
    for (const SoundPart& part : ParseSoundReference(reference.value_or(""))) {
      const auto found = reasons.find(FormatSoundReference({part}));
      if (found != reasons.end()) {
        WriteLog("Sound pack " + pack + ": key " + key + ": " + FormatSoundReference({part}) + " cannot be played: " +
                 found->second);
      }
    }
  };
  const auto table = KeyTable();
  for (const auto& [row, own] : scheme.OwnKeys) {
    const std::string key(table[static_cast<size_t>(row)].name);
    check(key, own.FileName);
    check(key + " (release)", own.ReleaseFileName);
  }
  const TSoundKey& other = scheme.Key(KeyCategory::Other);
  check("the pack's default", other.FileName);
  check("the pack's default (release)", other.ReleaseFileName);
}

}  // namespace

void ChooseSoundPackToImport() {
  if (!w.dialog) return;
  FileChoice choice;
  choice.filter = L"Sound packs (config.json;*.zip)\0config.json;*.zip\0All Files\0*.*\0";
  choice.title = L"Import sound pack";
  const std::string path = ChooseFile(w.dialog, choice);
  if (!path.empty()) ImportSoundPackFrom(path);
}

void ImportSoundPackFrom(const std::string& path) {
  if (!w.dialog) return;
  HCURSOR before = SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
  PackInstall pack = InstallSoundPack(path, DataFolder(), ProgramFolder(),
                                      [](const std::string& name) { return schemeList.FindScheme(name) >= 0; });
  SetCursor(before);
  if (!pack.ok) {
    WriteLog("Sound pack " + path + " not imported: " + pack.error);
    std::string text = "The sound pack cannot be imported: " + pack.error + ".";
    MessageBoxW(w.dialog, Wide(text).c_str(), L"Brisolt", MB_OK | MB_ICONWARNING);
    return;
  }
  for (const std::string& line : pack.warnings) WriteLog("Sound pack " + pack.name + ": " + line);
  for (const std::string& line : pack.plan.missing) WriteLog("Sound pack " + pack.name + ": " + line);
  // Its sounds are made ready before it becomes current (which finds them
  // ready), and what cannot be played is told key by key.
  LogUnplayableKeys(pack.name, pack.plan.scheme, PrepareSchemeSounds(pack.plan.scheme));
  const int row = AddCurrentScheme(pack.name, pack.plan.scheme);
  ListView_SetItemState(w.list, -1, 0, LVIS_SELECTED);
  SelectRow(row);
  UpdateSchemeButtons();
  const std::string summary = "Imported " + pack.name + ": " + std::to_string(pack.plan.keys) + " keys, " +
                              std::to_string(pack.plan.releases) + " release sounds";
  WriteLog(summary + " into " + pack.folder);
  ShowBalloon("Brisolt", summary, 5000);
}

void ChooseSoundPackExport() {
  if (!w.dialog) return;
  int row = SelectedRow();
  if (row < 0 || row >= schemeList.Count()) row = CurrentSchemeIndex();
  if (row < 0 || row >= schemeList.Count()) return;
  const std::string name = schemeList.Name(row);
  FileChoice choice;
  choice.filter = L"Zip files (*.zip)\0*.zip\0All Files\0*.*\0";
  choice.title = L"Export sound pack";
  choice.defaultExtension = L"zip";
  choice.mustExist = false;
  choice.save = true;
  choice.initialName = SafeFileNameFor(name) + ".zip";
  const std::string path = ChooseFile(w.dialog, choice);
  if (path.empty()) return;
  HCURSOR before = SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
  std::string error;
  std::vector<std::string> skipped;
  const bool done =
      ExportSoundPack(path, name, schemeList.Scheme(row), ProgramFolder(), DecodeSoundAsWav, skipped, error);
  SetCursor(before);
  for (const std::string& line : skipped) WriteLog("Scheme " + name + ", left out of its pack: " + line);
  if (!done) {
    WriteLog("Scheme " + name + " not exported to " + path + ": " + error);
    MessageBoxW(w.dialog, Wide("The sound pack cannot be written: " + error + ".").c_str(), L"Brisolt",
                MB_OK | MB_ICONWARNING);
    return;
  }
  WriteLog("Exported " + name + " to " + path);
}
