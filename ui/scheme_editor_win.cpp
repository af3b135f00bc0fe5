#include "ui/scheme_editor.h"

#include <commctrl.h>
#include <windowsx.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <vector>

#include "app/log.h"
#include "app/startup.h"
#include "audio/audio_engine.h"
#include "input/dispatch.h"
#include "settings/settings.h"
#include "ui/editor_rules.h"
#include "ui/input_box.h"
#include "ui/key_sound_dialog.h"
#include "ui/options_window.h"
#include "ui/resource.h"
#include "ui/tray.h"
#include "ui/window_util.h"

namespace {

constexpr int kKeyboardCategories = 24;  // Escape .. NumLock: the rows of the list
constexpr int kMarkerOn = 4, kMarkerOff = 5;
constexpr int kColumnKey = 0, kColumnFile = 1, kColumnVolume = 2;
constexpr int kWidth = 587;  // outer size in pixels at 96 dpi
constexpr int kMinWidth = 400, kMaxWidth = 640;
constexpr const char* kEnterName = "Please enter name of the scheme";

struct TfrmSchemes {
  int index = -1;     // the edited scheme's position in SchemeList
  int tag = 0;        // 1 when it is the current scheme
  std::string name;
  std::optional<TScheme> TempScheme;
  HWND window = nullptr;
  HWND list = nullptr;
  HIMAGELIST markers = nullptr;
  HICON playGlyph = nullptr;
  HICON stopGlyph = nullptr;
  // Where the controls stood at creation, and the client size then: the list
  // grows with the window, the bottom row keeps its distance to the bottom.
  SIZE client0{};
  struct Anchored {
    int id;
    RECT rect;
  };
  std::vector<Anchored> anchored;
};

int Dpi(HWND window) { return static_cast<int>(GetDpiForWindow(window)); }
int Scaled(HWND window, int pixels) { return MulDiv(pixels, Dpi(window), 96); }

std::string ItemText(HWND window, int id) { return WindowText(GetDlgItem(window, id)); }

void Message(HWND owner, const std::string& text) { MessageBoxA(owner, text.c_str(), "Brisolt", MB_OK); }

std::string ExistsMessage(const std::string& name) {
  return "Scheme \"" + name + "\" already exists!. Please Enter another name";
}

// ---- The list ------------------------------------------------------------------

std::string CellText(HWND list, int row, int column) { return ListItemText(list, row, column); }

void SetCellText(HWND list, int row, int column, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// The integer value of a volume text (as the list shows it); 0 when it is not a number.
int VolumeOf(const std::string& text) { return static_cast<int>(std::strtol(text.c_str(), nullptr, 10)); }

int SelectedRow(HWND list) { return ListView_GetNextItem(list, -1, LVNI_SELECTED); }

int RowMarker(HWND list, int row) {
  return static_cast<int>((ListView_GetItemState(list, row, LVIS_STATEIMAGEMASK) >> 12) & 0xF) - 1;
}

void SetRowMarker(HWND list, int row, bool on) {
  ListView_SetItemState(list, row, INDEXTOSTATEIMAGEMASK(static_cast<UINT>((on ? kMarkerOn : kMarkerOff) + 1)),
                        LVIS_STATEIMAGEMASK);
}

// SetSelectedSound: the working copy follows the selected row.
void SetSelectedSound(TfrmSchemes& form, const std::string& file, int volume) {
  int row = SelectedRow(form.list);
  if (row < 0 || row >= kKeyboardCategories || !form.TempScheme) return;
  TSoundKey& key = form.TempScheme->Keys[static_cast<size_t>(row)];
  key.FileName = file;
  key.Volume = volume;
}

// FormShow: the working copy and the rows.
void BuildTempScheme(TfrmSchemes& form) {
  form.TempScheme.emplace();
  try {
    const TScheme& edited = schemeList.Scheme(form.index);
    for (int i = 0; i < kKeyboardCategories; ++i) {
      const TSoundKey& source = edited.Keys[static_cast<size_t>(i)];
      TSoundKey& key = form.TempScheme->Keys[static_cast<size_t>(i)];
      key.FileName = source.FileName;
      key.Enabled = source.Enabled;
      key.Volume = source.Volume;
      std::string caption(KeyCategoryName(static_cast<KeyCategory>(i)));
      LVITEMA item{};
      item.mask = LVIF_TEXT | LVIF_STATE;
      item.iItem = i;
      item.pszText = caption.data();
      item.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>((key.Enabled ? kMarkerOn : kMarkerOff) + 1));
      item.stateMask = LVIS_STATEIMAGEMASK;
      SendMessageA(form.list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      SetCellText(form.list, i, kColumnFile, key.FileName);
      SetCellText(form.list, i, kColumnVolume, std::to_string(key.Volume));
    }
    Button_SetCheck(GetDlgItem(form.window, IDC_cbKeyboard), edited.KeyboardEnabled ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(form.list, edited.KeyboardEnabled ? TRUE : FALSE);  // cbKeyboardClick
    ListView_SetItemState(form.list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  } catch (...) {
    WriteLog("Could not create TempScheme");
    form.TempScheme.reset();
  }
}

// What a commit hands over: the working copy with the keyboard switch of the
// check box, and the mouse part of the scheme the editor was opened on (the
// editor does not show it, so it is kept as it was).
TScheme CommittedScheme(const TfrmSchemes& form) {
  TScheme scheme = *form.TempScheme;
  scheme.KeyboardEnabled = Button_GetCheck(GetDlgItem(form.window, IDC_cbKeyboard)) == BST_CHECKED;
  const TScheme& edited = schemeList.Scheme(form.index);
  scheme.MouseEnabled = edited.MouseEnabled;
  for (KeyCategory mouse : {KeyCategory::LeftButton, KeyCategory::RightButton}) scheme.Key(mouse) = edited.Key(mouse);
  return scheme;
}

// A name that another scheme has. The store finds its sections without
// regard to letter case, so a name that differs only in case from another
// scheme's would merge the two at the next save: it is taken as well.
bool NameTakenByAnother(const std::string& name, int ownRow) {
  for (int row = 0; row < SchemeRowCount(); ++row) {
    if (row != ownRow && SameTextIgnoringCase(SchemeRowCaption(row), name)) return true;
  }
  return false;
}

// ---- Commands --------------------------------------------------------------------

void EditKeySound(TfrmSchemes& form, const std::string& keyName, const std::string& file, int row,
                  const std::string& volumeText) {
  KeySound sound{file, VolumeOf(volumeText), volumeText};
  if (!EditKeySoundDialog(form.window, keyName, sound)) return;
  SetCellText(form.list, row, kColumnFile, sound.fileName);
  SetCellText(form.list, row, kColumnVolume, std::to_string(sound.volume));
  SetSelectedSound(form, sound.fileName, sound.volume);
}

void btnPlayClick(TfrmSchemes& form) {
  int row = SelectedRow(form.list);
  if (row < 0) return;
  // A preview sounds even while muted or while the category is off.
  PlayPreview(CellText(form.list, row, kColumnFile), VolumeOf(CellText(form.list, row, kColumnVolume)));
}

void btnSaveClick(TfrmSchemes& form) {
  std::string name = ItemText(form.window, IDC_edSchemeName);
  if (name.empty()) {
    Message(form.window, kEnterName);
    return;
  }
  int ownRow = SelectedSchemeRow();
  if (NameTakenByAnother(name, ownRow)) {
    Message(form.window, ExistsMessage(name));
    return;
  }
  if (!form.TempScheme) return;  // nothing was built that could be committed
  schemeList.Replace(form.index, name, CommittedScheme(form));
  form.TempScheme.reset();
  if (form.tag == 1) {
    settings.CurrentSchemeName = name;
    SetTrayIcon(kNoPictureChange, TrayTip());
  }
  SetSchemeRowCaption(ownRow, name);
  EndDialog(form.window, IDOK);
}

void btnSaveAsClick(TfrmSchemes& form) {
  std::string answer = ItemText(form.window, IDC_edSchemeName) + "2";
  if (!InputQuery(form.window, "Brisolt", kEnterName, answer)) return;
  if (answer.empty()) {
    Message(form.window, kEnterName);
    return;
  }
  if (NameTakenByAnother(answer, -1)) {
    Message(form.window, ExistsMessage(answer));
    return;
  }
  if (!form.TempScheme) return;
  schemeList.Append(answer, CommittedScheme(form));
  form.TempScheme.reset();
  AppendSchemeRow(answer);
  EndDialog(form.window, IDOK);
}

// A press of any mouse button on a row's state image switches the category.
void lwKeyboardMouseDown(TfrmSchemes& form, int x, int y) {
  if (x <= 0 || x >= Scaled(form.list, 16)) return;
  LVHITTESTINFO hit{};
  hit.pt = {x, y};
  int row = ListView_SubItemHitTest(form.list, &hit);
  if (row < 0 || row >= kKeyboardCategories) return;
  bool on = RowMarker(form.list, row) != kMarkerOn;
  SetRowMarker(form.list, row, on);
  if (form.TempScheme) form.TempScheme->Keys[static_cast<size_t>(row)].Enabled = on;
}

// Ctrl+O, Ctrl+P and Ctrl with the main keyboard's equals and minus keys.
bool lwKeyboardKeyDown(TfrmSchemes& form, WPARAM key) {
  if (GetKeyState(VK_CONTROL) >= 0) return false;
  int row = SelectedRow(form.list);
  if (row < 0) return false;
  switch (key) {
    case 'O': {
      std::string path = ChooseSoundFile(form.window);
      if (!path.empty()) {
        SetCellText(form.list, row, kColumnFile, path);
        SetSelectedSound(form, path, VolumeOf(CellText(form.list, row, kColumnVolume)));
      }
      return true;
    }
    case 'P':
      btnPlayClick(form);
      return true;
    case VK_OEM_PLUS:
    case VK_OEM_MINUS: {
      int volume = VolumeStepped(VolumeOf(CellText(form.list, row, kColumnVolume)), key == VK_OEM_PLUS);
      SetCellText(form.list, row, kColumnVolume, std::to_string(volume));
      if (form.TempScheme) form.TempScheme->Keys[static_cast<size_t>(row)].Volume = volume;
      return true;
    }
    default:
      return false;
  }
}

// ListWindowProc: the list's own procedure with the editor's presses, double
// clicks and keys in front of it.
LRESULT CALLBACK ListWindowProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto& form = *reinterpret_cast<TfrmSchemes*>(data);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      lwKeyboardMouseDown(form, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      break;
    case WM_LBUTTONDBLCLK: {
      int row = SelectedRow(list);
      if (row >= 0) {
        EditKeySound(form, CellText(list, row, kColumnKey), CellText(list, row, kColumnFile), row,
                     CellText(list, row, kColumnVolume));
      }
      break;
    }
    case WM_KEYDOWN:
      if (lwKeyboardKeyDown(form, wParam)) return 0;
      break;
    default:
      break;
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

// The glyphs of the play and stop buttons: a triangle and a square, drawn at
// the size of small icons.
HICON Glyph(HWND window, bool play) {
  int size = GetSystemMetricsForDpi(SM_CXSMICON, static_cast<UINT>(Dpi(window)));
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  ReleaseDC(nullptr, screen);
  int m = size / 4;
  POINT triangle[3] = {{m, m - 1}, {size - m, size / 2}, {m, size - m + 1}};
  auto draw = [&](HBITMAP target, COLORREF background, COLORREF shape) {
    HGDIOBJ old = SelectObject(dc, target);
    RECT all{0, 0, size, size};
    HBRUSH back = CreateSolidBrush(background);
    FillRect(dc, &all, back);
    DeleteObject(back);
    HBRUSH brush = CreateSolidBrush(shape);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    if (play) {
      Polygon(dc, triangle, 3);
    } else {
      Rectangle(dc, m, m, size - m + 1, size - m + 1);
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
    SelectObject(dc, old);
  };
  // Colour: the shape on black; mask: white (transparent) around a black shape.
  draw(colour, RGB(0, 0, 0), play ? RGB(16, 124, 16) : RGB(60, 60, 60));
  draw(mask, RGB(255, 255, 255), RGB(0, 0, 0));
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colour);
  DeleteObject(mask);
  DeleteDC(dc);
  return icon;
}

void SetUpList(TfrmSchemes& form) {
  HWND list = form.list;
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
  const std::array<std::pair<const char*, int>, 3> columns = {{{"Key", 100}, {"Sound file", 380}, {"Volume", 60}}};
  for (size_t i = 0; i < columns.size(); ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(columns[i].first);
    column.cx = Scaled(list, columns[i].second);
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  form.markers = IconListAtDpi(Dpi(list));
  ListView_SetImageList(list, form.markers, LVSIL_STATE);
  SetWindowSubclass(list, ListWindowProc, 1, reinterpret_cast<DWORD_PTR>(&form));
}

void RememberAnchors(TfrmSchemes& form) {
  RECT client{};
  GetClientRect(form.window, &client);
  form.client0 = {client.right, client.bottom};
  form.anchored.clear();
  for (int id : {IDC_lwKeyboard, IDC_sepButtons, IDC_btnPlay, IDC_btnStop, IDOK, IDCANCEL}) {
    RECT rect{};
    GetWindowRect(GetDlgItem(form.window, id), &rect);
    MapWindowPoints(nullptr, form.window, reinterpret_cast<POINT*>(&rect), 2);
    form.anchored.push_back({id, rect});
  }
}

void FormResize(TfrmSchemes& form) {
  RECT client{};
  GetClientRect(form.window, &client);
  int dx = client.right - form.client0.cx, dy = client.bottom - form.client0.cy;
  for (const auto& [id, rect] : form.anchored) {
    RECT r = rect;
    switch (id) {
      case IDC_lwKeyboard: r.right += dx; r.bottom += dy; break;  // grows both ways
      case IDC_sepButtons: r.right += dx; OffsetRect(&r, 0, dy); break;           // the rule above the buttons
      case IDOK: case IDCANCEL: OffsetRect(&r, dx, dy); break;    // the bottom right corner
      default: OffsetRect(&r, 0, dy); break;                      // the bottom left corner
    }
    SetWindowPos(GetDlgItem(form.window, id), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(form.window, nullptr, TRUE);
}

void FormCreate(TfrmSchemes& form) {
  SendMessageA(form.window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(SmallIcon(kPictureSoundOn)));
  form.list = GetDlgItem(form.window, IDC_lwKeyboard);
  SetUpList(form);
  form.playGlyph = Glyph(form.window, true);
  form.stopGlyph = Glyph(form.window, false);
  SendDlgItemMessageA(form.window, IDC_btnPlay, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(form.playGlyph));
  SendDlgItemMessageA(form.window, IDC_btnStop, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(form.stopGlyph));
  RememberAnchors(form);
  // The size of the last use, centred over the owner.
  CentreOverOwner(form.window, Scaled(form.window, kWidth), Scaled(form.window, EditorHeight(settings.FormSchemeHeight)));
}

void FormClose(TfrmSchemes& form) {
  FreePreview();
  RECT rect{};
  GetWindowRect(form.window, &rect);
  settings.FormSchemeHeight = MulDiv(rect.bottom - rect.top, 96, Dpi(form.window));
  TrimWorkingSet();
}

INT_PTR CALLBACK SchemesProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = DialogObject<TfrmSchemes>(window, message, lParam);
  switch (message) {
    case WM_INITDIALOG: {
      form->window = window;
      FormCreate(*form);
      // The opener's caption and name; the name field's change handler keeps the caption.
      SetDlgItemTextA(window, IDC_edSchemeName, form->name.c_str());
      SetWindowTextA(window, ("Edit Scheme - " + form->name).c_str());
      BuildTempScheme(*form);
      return TRUE;
    }
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize = {Scaled(window, kMinWidth), Scaled(window, kEditorMinHeight)};
      limits->ptMaxTrackSize = {Scaled(window, kMaxWidth), Scaled(window, kEditorMaxHeight)};
      return TRUE;
    }
    case WM_SIZE:
      if (form && !form->anchored.empty()) FormResize(*form);
      return TRUE;
    case WM_DPICHANGED:
      // The dialog manager rescales the layout; the anchors start afresh from it.
      if (form) {
        SetWindowLongPtrA(window, DWLP_MSGRESULT, DefDlgProcA(window, message, wParam, lParam));
        RememberAnchors(*form);
      }
      return TRUE;
    case WM_COMMAND:
      if (!form) return FALSE;
      switch (LOWORD(wParam)) {
        case IDC_edSchemeName:
          if (HIWORD(wParam) == EN_CHANGE) {
            SetWindowTextA(window, ("Edit Scheme - " + ItemText(window, IDC_edSchemeName)).c_str());
          }
          return TRUE;
        case IDC_cbKeyboard:
          if (HIWORD(wParam) == BN_CLICKED) {
            EnableWindow(form->list, Button_GetCheck(GetDlgItem(window, IDC_cbKeyboard)) == BST_CHECKED);
          }
          return TRUE;
        case IDC_btnPlay: btnPlayClick(*form); return TRUE;
        case IDC_btnStop: StopPreview(); return TRUE;
        case IDOK: btnSaveClick(*form); return TRUE;
        case IDC_btnSaveAs: btnSaveAsClick(*form); return TRUE;
        case IDCANCEL: EndDialog(window, IDCANCEL); return TRUE;  // Cancel, Escape, the close button
        default: return FALSE;
      }
    case WM_DESTROY:
      if (form) FormClose(*form);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void RunSchemeEditor(HWND owner, int index, const std::string& name, bool current) {
  TfrmSchemes form;
  form.index = index;
  form.name = name;
  form.tag = current ? 1 : 0;
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SCHEMES), owner, SchemesProc,
                  reinterpret_cast<LPARAM>(&form));
  if (form.markers) ImageList_Destroy(form.markers);
  if (form.playGlyph) DestroyIcon(form.playGlyph);
  if (form.stopGlyph) DestroyIcon(form.stopGlyph);
}
