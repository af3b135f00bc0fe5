#include "ui/scheme_editor.h"

#include <commctrl.h>
#include <windowsx.h>

#include <array>
#include <optional>
#include <vector>

#include "app/commands.h"
#include "app/exception_boundary.h"
#include "app/log.h"
#include "app/startup.h"
#include "audio/audio_engine.h"
#include "base/scoped_win.h"
#include "base/program_paths.h"
#include "base/wide_text.h"
#include "input/dispatch.h"
#include "input/input_handlers.h"
#include "settings/key_table.h"
#include "settings/settings.h"
#include "settings/sound_reference.h"
#include "ui/editor_rules.h"
#include "ui/icons.h"
#include "ui/input_box.h"
#include "ui/key_sound_dialog.h"
#include "ui/keyboard_view.h"
#include "ui/resource.h"
#include "ui/sound_path_rules.h"
#include "ui/window_util.h"

namespace {

constexpr int kColumnFile = 1, kColumnVolume = 2, kColumnRelease = 3;
constexpr int kWidth = 587;  // outer size in pixels at 96 dpi
constexpr int kMinWidth = 400, kMaxWidth = 640;
constexpr const char* kEnterName = "Please enter name of the scheme";

struct TfrmSchemes {
  int index = -1;     // the edited scheme's position in SchemeList
  int tag = 0;        // 1 when it is the current scheme
  std::string name;
  // The working copy; the rows show its 24 keyboard categories.
  std::optional<TScheme> TempScheme;
  int committed = -1;  // where OK or "Save as..." put the scheme in SchemeList
  HWND window = nullptr;
  HWND list = nullptr;
  HWND tabs = nullptr;
  HWND keyboard = nullptr;  // the keyboard page
  ScopedImageList markers;
  ScopedIcon playGlyph;
  ScopedIcon stopGlyph;
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

void Message(HWND owner, const std::string& text) { MessageBoxW(owner, Wide(text).c_str(), L"Brisolt", MB_OK); }

std::string ExistsMessage(const std::string& name) {
  return "Scheme \"" + name + "\" already exists!. Please Enter another name";
}

// ---- The list ------------------------------------------------------------------

void SetCellText(HWND list, int row, int column, const std::string& text) {
  LVITEMW item{};
  item.iSubItem = column;
  std::wstring wide = Wide(text);
  item.pszText = wide.data();
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int SelectedRow(HWND list) { return ListView_GetNextItem(list, -1, LVNI_SELECTED); }

UINT MarkerState(bool on) { return INDEXTOSTATEIMAGEMASK(static_cast<UINT>((on ? kIconBallOn : kIconBallOff) + 1)); }

// The category of the working copy that a row shows; null for no row.
TSoundKey* RowKey(TfrmSchemes& form, int row) {
  if (row < 0 || row >= kKeyboardCategoryCount || !form.TempScheme) return nullptr;
  return &form.TempScheme->Keys[static_cast<size_t>(row)];
}

// A row shows its category of the working copy: marker, file and volume.
void RenderRow(TfrmSchemes& form, int row) {
  const TSoundKey* key = RowKey(form, row);
  if (!key) return;
  ListView_SetItemState(form.list, row, MarkerState(key->Enabled), LVIS_STATEIMAGEMASK);
  SetCellText(form.list, row, kColumnFile, key->FileName);
  SetCellText(form.list, row, kColumnVolume, std::to_string(key->Volume));
  SetCellText(form.list, row, kColumnRelease, key->ReleaseFileName);
}

// FormShow: the working copy and the rows.
void BuildTempScheme(TfrmSchemes& form) {
  form.TempScheme.emplace();
  try {
    const TScheme& edited = schemeList.Scheme(form.index);
    form.TempScheme->OwnKeys = edited.OwnKeys;
    for (int i = 0; i < kKeyboardCategoryCount; ++i) {
      form.TempScheme->Keys[static_cast<size_t>(i)] = edited.Keys[static_cast<size_t>(i)];
      std::wstring caption = Wide(KeyCategoryName(static_cast<KeyCategory>(i)));
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = i;
      item.pszText = caption.data();
      SendMessageW(form.list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      RenderRow(form, i);
    }
    Button_SetCheck(GetDlgItem(form.window, IDC_cbKeyboard), edited.KeyboardEnabled ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(form.list, edited.KeyboardEnabled ? TRUE : FALSE);  // cbKeyboardClick
    EnableWindow(form.keyboard, edited.KeyboardEnabled ? TRUE : FALSE);
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
bool NameTakenByAnother(const std::string& name, int ownIndex) {
  for (int i = 0; i < schemeList.Count(); ++i) {
    if (i != ownIndex && SameTextIgnoringCase(schemeList.Name(i), name)) return true;
  }
  return false;
}

// ---- Commands --------------------------------------------------------------------

// The press sound of a row, or with `release` its release sound.
std::string& SoundOf(TSoundKey& key, bool release) { return release ? key.ReleaseFileName : key.FileName; }

void EditKeySound(TfrmSchemes& form, int row, bool release) {
  TSoundKey* key = RowKey(form, row);
  if (!key) return;
  KeySound sound;
  sound.release = release;
  sound.fileName = SoundOf(*key, release);
  sound.volume = key->Volume;
  sound.volumeText = std::to_string(key->Volume);
  if (!EditKeySoundDialog(form.window, std::string(KeyCategoryName(static_cast<KeyCategory>(row))), sound)) return;
  SoundOf(*key, release) = sound.fileName;
  key->Volume = sound.volume;
  RenderRow(form, row);
}

void PreviewRow(TfrmSchemes& form, bool release) {
  TSoundKey* key = RowKey(form, SelectedRow(form.list));
  if (!key) return;
  // A preview sounds even while muted or while the category is off.
  PlayPreview(SoundOf(*key, release), key->Volume);
}

void btnPlayClick(TfrmSchemes& form) { PreviewRow(form, false); }

void btnSaveClick(TfrmSchemes& form) {
  std::string name = ItemText(form.window, IDC_edSchemeName);
  if (name.empty()) {
    Message(form.window, kEnterName);
    return;
  }
  if (NameTakenByAnother(name, form.index)) {
    Message(form.window, ExistsMessage(name));
    return;
  }
  if (!form.TempScheme) return;  // nothing was built that could be committed
  TScheme scheme = CommittedScheme(form);
  form.TempScheme.reset();
  if (ReplaceScheme(form.index, name, scheme, form.tag == 1)) form.committed = form.index;
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
  TScheme scheme = CommittedScheme(form);
  form.TempScheme.reset();
  form.committed = AddScheme(answer, scheme);
  EndDialog(form.window, IDOK);
}

// A press of any mouse button on a row's state image switches the category.
void lwKeyboardMouseDown(TfrmSchemes& form, int x, int y) {
  if (x <= 0 || x >= Scaled(form.list, 16)) return;
  LVHITTESTINFO hit{};
  hit.pt = {x, y};
  TSoundKey* key = RowKey(form, ListView_SubItemHitTest(form.list, &hit));
  if (!key) return;
  key->Enabled = !key->Enabled;
  RenderRow(form, hit.iItem);
}

// Ctrl+O, Ctrl+P and Ctrl with the main keyboard's equals and minus keys;
// with Shift, Ctrl+O and Ctrl+P are for the release sound.
bool lwKeyboardKeyDown(TfrmSchemes& form, WPARAM key) {
  if (GetKeyState(VK_CONTROL) >= 0) return false;
  const bool release = GetKeyState(VK_SHIFT) < 0;
  int row = SelectedRow(form.list);
  TSoundKey* sound = RowKey(form, row);
  if (!sound) return false;
  switch (key) {
    case 'O': {
      std::string path = ChooseSoundFile(form.window);
      if (!path.empty()) {
        SoundOf(*sound, release) = path;
        RenderRow(form, row);
      }
      return true;
    }
    case 'P':
      PreviewRow(form, release);
      return true;
    case VK_OEM_PLUS:
    case VK_OEM_MINUS:
      sound->Volume = VolumeStepped(sound->Volume, key == VK_OEM_PLUS);
      RenderRow(form, row);
      return true;
    default:
      return false;
  }
}

// ListWindowProc: the list's own procedure with the editor's presses, double
// clicks and keys in front of it.
LRESULT ListWindowProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR data) {
  auto& form = *reinterpret_cast<TfrmSchemes*>(data);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      lwKeyboardMouseDown(form, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      break;
    case WM_LBUTTONDBLCLK: {
      // Shift, as it was at the click, or the release column, edits the
      // release sound.
      LVHITTESTINFO hit{};
      hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ListView_SubItemHitTest(list, &hit);
      EditKeySound(form, SelectedRow(list), (wParam & MK_SHIFT) || hit.iSubItem == kColumnRelease);
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
ScopedIcon Glyph(HWND window, bool play) {
  int size = GetSystemMetricsForDpi(SM_CXSMICON, static_cast<UINT>(Dpi(window)));
  ScopedBitmap colour;
  {
    WindowDC screen(nullptr);
    colour.reset(CreateCompatibleBitmap(screen.get(), size, size));
  }
  ScopedBitmap mask(CreateBitmap(size, size, 1, 1, nullptr));
  ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
  int m = size / 4;
  POINT triangle[3] = {{m, m - 1}, {size - m, size / 2}, {m, size - m + 1}};
  auto draw = [&](HBITMAP target, COLORREF background, COLORREF shape) {
    SelectedObject bitmap(dc.get(), target);
    RECT all{0, 0, size, size};
    ScopedBrush back(CreateSolidBrush(background));
    FillRect(dc.get(), &all, back.get());
    ScopedBrush brush(CreateSolidBrush(shape));
    SelectedObject selectedBrush(dc.get(), brush.get());
    SelectedObject pen(dc.get(), GetStockObject(NULL_PEN));
    if (play) {
      Polygon(dc.get(), triangle, 3);
    } else {
      Rectangle(dc.get(), m, m, size - m + 1, size - m + 1);
    }
  };
  // Colour: the shape on black; mask: white (transparent) around a black shape.
  draw(colour.get(), RGB(0, 0, 0), play ? RGB(16, 124, 16) : RGB(60, 60, 60));
  draw(mask.get(), RGB(255, 255, 255), RGB(0, 0, 0));
  ICONINFO info{TRUE, 0, 0, mask.get(), colour.get()};
  return ScopedIcon(CreateIconIndirect(&info));
}

void SetUpList(TfrmSchemes& form) {
  HWND list = form.list;
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
  const std::array<std::pair<const char*, int>, 4> columns = {
      {{"Key", 95}, {"Sound file", 210}, {"Volume", 55}, {"Release sound", 170}}};
  for (size_t i = 0; i < columns.size(); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    std::wstring title = Wide(columns[i].first);
    column.pszText = title.data();
    column.cx = Scaled(list, columns[i].second);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  form.markers = IconListAtDpi(Dpi(list));
  ListView_SetImageList(list, form.markers.get(), LVSIL_STATE);
  SetWindowSubclass(list, GuardedSubclassProc<ListWindowProc>, 1, reinterpret_cast<DWORD_PTR>(&form));
}

// ---- The keyboard page -----------------------------------------------------------
// Each key of the picture shows where its sound comes from in the working
// copy; a key of its own gets its sounds in the key sound dialog, from a
// file dropped on it, and loses them with Delete.

constexpr int kPageCategories = 0, kPageKeyboard = 1;

bool IsButton(int key) { return key == kKeyLeftButton || key == kKeyRightButton; }

KeyCategory CategoryOfKey(int key) {
  if (key == kKeyLeftButton) return KeyCategory::LeftButton;
  if (key == kKeyRightButton) return KeyCategory::RightButton;
  return KeyTable()[static_cast<size_t>(key)].category;
}

std::string KeyName(int key) {
  if (key == kKeyLeftButton) return "Left button";
  if (key == kKeyRightButton) return "Right button";
  return std::string(KeyTable()[static_cast<size_t>(key)].displayName);
}

// The scheme as the keys hear it: the working copy's keyboard, the mouse of
// the scheme being edited.
TScheme HeardScheme(const TfrmSchemes& form) {
  TScheme scheme = *form.TempScheme;
  const TScheme& edited = schemeList.Scheme(form.index);
  for (KeyCategory mouse : {KeyCategory::LeftButton, KeyCategory::RightButton}) scheme.Key(mouse) = edited.Key(mouse);
  return scheme;
}

ChosenSound SoundOfKey(const TScheme& scheme, int key, bool release) {
  return ChooseKeySound(scheme, IsButton(key) ? -1 : key, CategoryOfKey(key), release);
}

KeyLook LookOf(const TScheme& scheme, int key) {
  KeyLook look;
  const auto own = IsButton(key) ? scheme.OwnKeys.end() : scheme.OwnKeys.find(key);
  const bool hasOwn = own != scheme.OwnKeys.end();
  const ChosenSound press = SoundOfKey(scheme, key, false);
  const ChosenSound release = SoundOfKey(scheme, key, true);
  if (press.reference) look.source = hasOwn && own->second.FileName ? KeySource::kOwn : KeySource::kCategory;
  look.ownRelease = hasOwn && own->second.ReleaseFileName && !own->second.ReleaseFileName->empty();
  const std::string category(KeyCategoryName(CategoryOfKey(key)));
  auto line = [&](const char* what, const ChosenSound& sound, const std::optional<std::string>& mine) {
    if (mine) return std::string(what) + (mine->empty() ? "silent" : *mine);
    if (!sound.reference) return std::string(what) + "none (" + category + ")";
    return std::string(what) + "from " + category;
  };
  look.tip = KeyName(key) + "\n" + line("Press: ", press, hasOwn ? own->second.FileName : std::nullopt) + "\n" +
             line("Release: ", release, hasOwn ? own->second.ReleaseFileName : std::nullopt);
  if (press.reference) look.tip += "\nVolume: " + std::to_string(press.volume) + " %";
  return look;
}

void RenderKeyboard(TfrmSchemes& form) {
  if (!form.keyboard || !form.TempScheme) return;
  const TScheme scheme = HeardScheme(form);
  std::vector<KeyLook> looks;
  looks.reserve(kKeyCount + 2);
  for (int key = 0; key < kKeyCount + 2; ++key) looks.push_back(LookOf(scheme, key));
  SendMessageW(form.keyboard, KVM_SETLOOKS, 0, reinterpret_cast<LPARAM>(&looks));
}

// A click, Space or the menu's "Play": the key's press, then its release as
// the button comes up; heard even while muted, like the play button.
void PreviewKey(TfrmSchemes& form, int key, bool release) {
  if (!form.TempScheme || key < 0 || key >= kKeyCount + 2) return;
  const TScheme scheme = HeardScheme(form);  // what the chosen sound points into
  const ChosenSound sound = SoundOfKey(scheme, key, release);
  if (sound.reference) {
    PlayPreview(*sound.reference, sound.volume);
  } else if (!release) {
    StopPreview();
  }
}

void EditOwnKey(TfrmSchemes& form, int key) {
  if (!form.TempScheme || key < 0 || key >= kKeyCount) return;
  auto& owned = form.TempScheme->OwnKeys;
  const auto found = owned.find(key);
  const TKeyOwnSound before = found != owned.end() ? found->second : TKeyOwnSound{};
  KeySound sound;
  sound.singleKey = true;
  sound.fileName = before.FileName.value_or("");
  sound.releaseFileName = before.ReleaseFileName.value_or("");
  sound.volume = std::clamp(before.Volume, 0, 100);
  sound.volumeText = std::to_string(before.Volume);
  if (!EditKeySoundDialog(form.window, KeyName(key), sound)) return;
  // An empty field gives the key its category's sound; a field left as it
  // was keeps what the key had (a silent key of a pack stays silent).
  TKeyOwnSound after = before;
  auto take = [](std::optional<std::string>& mine, const std::string& was, const std::string& now) {
    if (now != was) mine = now.empty() ? std::nullopt : std::optional<std::string>(now);
  };
  take(after.FileName, before.FileName.value_or(""), sound.fileName);
  take(after.ReleaseFileName, before.ReleaseFileName.value_or(""), sound.releaseFileName);
  after.Volume = sound.volume;
  if (!after.FileName && !after.ReleaseFileName) {
    owned.erase(key);
  } else {
    owned[key] = after;
  }
  RenderKeyboard(form);
}

void ResetKey(TfrmSchemes& form, int key) {
  if (!form.TempScheme || key < 0 || key >= kKeyCount) return;
  form.TempScheme->OwnKeys.erase(key);
  RenderKeyboard(form);
}

void DropOnKey(TfrmSchemes& form, int key, const wchar_t* path) {
  if (!form.TempScheme || key < 0 || key >= kKeyCount || !path) return;
  TKeyOwnSound& own = form.TempScheme->OwnKeys[key];
  own.FileName = PathForScheme(Utf8(path), ProgramFolder());
  RenderKeyboard(form);
}

void KeyboardNotify(TfrmSchemes& form, const NMKEYBOARDVIEW& note) {
  switch (note.header.code) {
    case KVN_PREVIEW: PreviewKey(form, note.key, false); break;
    case KVN_PREVIEWRELEASE: PreviewKey(form, note.key, true); break;
    case KVN_EDIT: EditOwnKey(form, note.key); break;
    case KVN_RESET: ResetKey(form, note.key); break;
    case KVN_DROPFILE: DropOnKey(form, note.key, note.path); break;
    default: break;
  }
}

// The shown page over the tab control's display area.
void PlacePages(TfrmSchemes& form) {
  if (!form.tabs) return;
  RECT area{};
  GetWindowRect(form.tabs, &area);
  MapWindowPoints(nullptr, form.window, reinterpret_cast<POINT*>(&area), 2);
  TabCtrl_AdjustRect(form.tabs, FALSE, &area);
  for (HWND page : {form.list, form.keyboard}) {
    SetWindowPos(page, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void ShowEditorPage(TfrmSchemes& form, int page) {
  ShowWindow(form.list, page == kPageCategories ? SW_SHOW : SW_HIDE);
  ShowWindow(form.keyboard, page == kPageKeyboard ? SW_SHOW : SW_HIDE);
  if (page == kPageKeyboard) RenderKeyboard(form);
}

void SetUpPages(TfrmSchemes& form) {
  form.tabs = GetDlgItem(form.window, IDC_tabEditor);
  form.keyboard = GetDlgItem(form.window, IDC_kbView);
  for (const char* name : {"Categories", "Keyboard"}) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    std::wstring text = Wide(name);
    item.pszText = text.data();
    SendMessageW(form.tabs, TCM_INSERTITEMW, static_cast<WPARAM>(TabCtrl_GetItemCount(form.tabs)),
                 reinterpret_cast<LPARAM>(&item));
  }
  PlacePages(form);
  ShowEditorPage(form, kPageCategories);
}

void RememberAnchors(TfrmSchemes& form) {
  RECT client{};
  GetClientRect(form.window, &client);
  form.client0 = {client.right, client.bottom};
  form.anchored.clear();
  for (int id : {IDC_tabEditor, IDC_sepButtons, IDC_btnPlay, IDC_btnStop, IDOK, IDCANCEL}) {
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
      case IDC_tabEditor: r.right += dx; r.bottom += dy; break;  // grows both ways
      case IDC_sepButtons: r.right += dx; OffsetRect(&r, 0, dy); break;           // the rule above the buttons
      case IDOK: case IDCANCEL: OffsetRect(&r, dx, dy); break;    // the bottom right corner
      default: OffsetRect(&r, 0, dy); break;                      // the bottom left corner
    }
    SetWindowPos(GetDlgItem(form.window, id), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  PlacePages(form);
  InvalidateRect(form.window, nullptr, TRUE);
}

void FormCreate(TfrmSchemes& form) {
  SendMessageW(form.window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(SmallIcon(kIconSoundOn)));
  form.list = GetDlgItem(form.window, IDC_lwKeyboard);
  SetUpList(form);
  SetUpPages(form);
  form.playGlyph = Glyph(form.window, true);
  form.stopGlyph = Glyph(form.window, false);
  SendDlgItemMessageW(form.window, IDC_btnPlay, BM_SETIMAGE, IMAGE_ICON,
                      reinterpret_cast<LPARAM>(form.playGlyph.get()));
  SendDlgItemMessageW(form.window, IDC_btnStop, BM_SETIMAGE, IMAGE_ICON,
                      reinterpret_cast<LPARAM>(form.stopGlyph.get()));
  RememberAnchors(form);
  // The size of the last use, centred over the owner.
  CentreOverOwner(form.window, Scaled(form.window, kWidth), Scaled(form.window, EditorHeight(settings.FormSchemeHeight)));
}

void FormClose(TfrmSchemes& form) {
  FreePreview();
  RECT rect{};
  GetWindowRect(form.window, &rect);
  SetEditorHeight(MulDiv(rect.bottom - rect.top, 96, Dpi(form.window)));
  TrimWorkingSet();
}

INT_PTR SchemesProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = DialogObject<TfrmSchemes>(window, message, lParam);
  switch (message) {
    case WM_INITDIALOG: {
      form->window = window;
      FormCreate(*form);
      // The opener's caption and name; the name field's change handler keeps the caption.
      SetItemText(window, IDC_edSchemeName, form->name);
      SetText(window, ("Edit Scheme - " + form->name));
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
        SetWindowLongPtrW(window, DWLP_MSGRESULT, DefDlgProcW(window, message, wParam, lParam));
        RememberAnchors(*form);
      }
      return TRUE;
    case WM_NOTIFY: {
      if (!form) return FALSE;
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == form->tabs && header->code == TCN_SELCHANGE) {
        ShowEditorPage(*form, TabCtrl_GetCurSel(form->tabs));
        return TRUE;
      }
      if (header->hwndFrom == form->keyboard) {
        KeyboardNotify(*form, *reinterpret_cast<const NMKEYBOARDVIEW*>(lParam));
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND:
      if (!form) return FALSE;
      switch (LOWORD(wParam)) {
        case IDC_edSchemeName:
          if (HIWORD(wParam) == EN_CHANGE) {
            SetText(window, ("Edit Scheme - " + ItemText(window, IDC_edSchemeName)));
          }
          return TRUE;
        case IDC_cbKeyboard:
          if (HIWORD(wParam) == BN_CLICKED) {
            const BOOL on = Button_GetCheck(GetDlgItem(window, IDC_cbKeyboard)) == BST_CHECKED;
            EnableWindow(form->list, on);
            EnableWindow(form->keyboard, on);
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

int RunSchemeEditor(HWND owner, int index, const std::string& name, bool current) {
  // Key and mouse events stay quiet while a scheme is being edited.
  QuietWhileEditing quiet;
  RegisterKeyboardView(GetModuleHandleW(nullptr));
  TfrmSchemes form;
  form.index = index;
  form.name = name;
  form.tag = current ? 1 : 0;
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SCHEMES), owner, GuardedDialogProc<SchemesProc>,
                  reinterpret_cast<LPARAM>(&form));
  return form.committed;
}
