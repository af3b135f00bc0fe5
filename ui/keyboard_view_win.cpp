#include "ui/keyboard_view.h"

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/exception_boundary.h"
#include "base/scoped_win.h"
#include "base/wide_text.h"

namespace {

constexpr int kSlots = kKeyCount + 2;

// Around the picture, so that the outline of a focused key at the edge is
// not cut off.
constexpr float kMarginUnits = 0.15f;
// Each key gives up this much of its place on every side: the gap that
// sets neighbouring keys apart.
constexpr float kInsetUnits = 0.05f;
constexpr float kCornerUnits = 0.2f;
// The label's height on a letter key; labels too wide for their keys step
// down through the smaller sizes.
constexpr float kLabelUnits = 0.42f;
constexpr std::array<float, 6> kLabelSteps = {1.0f, 0.9f, 0.8f, 0.72f, 0.65f, 0.58f};
constexpr int kSmallestLabelPixels = 6;
constexpr int kTipWidth = 320;  // pixels at 96 dpi

// A key with its own sound stands out; one that follows its category blends
// in; a silent one is dimmed.
constexpr COLORREF kOwnFill = RGB(250, 172, 118);
constexpr COLORREF kCategoryFill = RGB(236, 236, 236);
constexpr COLORREF kSilentFill = RGB(168, 168, 168);
constexpr COLORREF kLabel = RGB(24, 24, 24);
constexpr COLORREF kMutedLabel = RGB(104, 104, 104);
constexpr COLORREF kEdge = RGB(118, 118, 118);
constexpr COLORREF kReleaseMark = RGB(150, 42, 16);

enum MenuCommand : UINT { kMenuPlay = 1, kMenuEdit, kMenuReset };

struct View {
  HWND window = nullptr;
  // Owned, as every popup of a child is, by the view's top-level window: it goes with that.
  HWND tooltip = nullptr;
  std::vector<KeyLook> looks = std::vector<KeyLook>(kSlots);
  int focusKey = 0;  // Escape, the first key of the picture
  int mouseKey = -1;  // held down by the left button
  int spaceKey = -1;  // held down by Space
  HFONT dialogFont = nullptr;  // from WM_SETFONT; its owner is whoever sent it

  // The layout at the current size.
  float scale = 0;  // pixels per key unit
  float originX = 0, originY = 0;
  std::array<RECT, kSlots> cells{};  // each key's whole place: hits and tips
  std::array<RECT, kSlots> faces{};  // what is drawn of it
  std::vector<ScopedGdi<HFONT>> fonts;  // the label sizes, largest first
  std::array<size_t, kSlots> fontOfKey{};
  // Arrow keys whose label the face has no glyph for: their arrow is drawn.
  std::array<bool, kSlots> drawnArrow{};
  std::wstring tipText;  // what the tooltip shows, kept while it shows it
};

View* ViewOf(HWND window) { return reinterpret_cast<View*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

std::wstring LabelOf(int key) {
  if (key == kKeyLeftButton) return L"Left";
  if (key == kKeyRightButton) return L"Right";
  return Wide(KeyTable()[static_cast<size_t>(key)].label);
}

std::string NameOf(int key) {
  if (key == kKeyLeftButton) return "Left Button";
  if (key == kKeyRightButton) return "Right Button";
  return std::string(KeyTable()[static_cast<size_t>(key)].displayName);
}

int Dpi(HWND window) {
  UINT dpi = GetDpiForWindow(window);
  return dpi ? static_cast<int>(dpi) : 96;
}

// The direction of a label that is one arrow (U+2190..U+2193); 0, 0 for any other.
POINT ArrowOf(std::wstring_view label) {
  if (label.size() != 1) return {};
  switch (label[0]) {
    case 0x2190:
      return {-1, 0};
    case 0x2191:
      return {0, -1};
    case 0x2192:
      return {1, 0};
    case 0x2193:
      return {0, 1};
    default:
      return {};
  }
}

// ---- Layout --------------------------------------------------------------------

// The face the labels are drawn in: the font the dialog gave the control, or
// its parent's, or the system's message font.
LOGFONTW LabelFace(const View& v) {
  LOGFONTW face{};
  HFONT font = v.dialogFont;
  if (!font) font = reinterpret_cast<HFONT>(SendMessageW(GetParent(v.window), WM_GETFONT, 0, 0));
  if (font && GetObjectW(font, sizeof face, &face) == sizeof face) return face;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                                 static_cast<UINT>(Dpi(v.window)))) {
    return metrics.lfMessageFont;
  }
  face.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(face.lfFaceName, L"MS Shell Dlg 2");
  return face;
}

// The label sizes follow the keys, whatever the DPI: a bigger control shows
// bigger letters.
void MakeFonts(View& v) {
  v.fonts.clear();
  LOGFONTW font = LabelFace(v);
  int base = std::max(kSmallestLabelPixels, static_cast<int>(std::lround(v.scale * kLabelUnits)));
  for (float step : kLabelSteps) {
    font.lfHeight = -std::max(kSmallestLabelPixels, static_cast<int>(std::lround(base * step)));
    font.lfWidth = 0;
    font.lfWeight = FW_NORMAL;
    v.fonts.emplace_back(CreateFontIndirectW(&font));
  }
  // A character takes the largest size it fits in. The words (Shift, Home,
  // F10...) read alike within their kind: the wide keys' words, the short
  // words of the narrow keys (F10, Esc, Del) and their long words (Home,
  // Pause) each take the one size that the widest of them fits in.
  ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
  auto wordKind = [](const KeyPlace& place, size_t length) -> size_t {
    return place.width >= 1.2f ? 0 : length <= 3 ? 1 : 2;
  };
  std::array<size_t, 3> wordFont{};
  for (const KeyPlace& place : KeyboardPlaces()) {
    const RECT& face = v.faces[static_cast<size_t>(place.key)];
    int room = face.right - face.left - 2 * std::max(1, static_cast<int>(std::lround(v.scale * 0.04f)));
    std::wstring label = LabelOf(place.key);
    size_t fitting = v.fonts.size() - 1;
    for (size_t i = 0; i < v.fonts.size(); ++i) {
      SelectedObject selected(dc.get(), v.fonts[i].get());
      SIZE size{};
      GetTextExtentPoint32W(dc.get(), label.c_str(), static_cast<int>(label.size()), &size);
      if (size.cx <= room) {
        fitting = i;
        break;
      }
    }
    size_t slot = static_cast<size_t>(place.key);
    v.fontOfKey[slot] = fitting;
    if (label.size() > 1) {
      size_t& shared = wordFont[wordKind(place, label.size())];
      shared = std::max(shared, fitting);
    }
    SelectedObject selected(dc.get(), v.fonts[fitting].get());
    WORD glyph = 0;
    POINT arrow = ArrowOf(label);
    v.drawnArrow[slot] = (arrow.x != 0 || arrow.y != 0) &&
                         GetGlyphIndicesW(dc.get(), label.c_str(), 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 &&
                         glyph == 0xFFFF;
  }
  for (const KeyPlace& place : KeyboardPlaces()) {
    const size_t length = LabelOf(place.key).size();
    if (length > 1) v.fontOfKey[static_cast<size_t>(place.key)] = wordFont[wordKind(place, length)];
  }
}

void Relayout(View& v) {
  RECT client{};
  GetClientRect(v.window, &client);
  float width = KeyboardWidthUnits(), height = KeyboardHeightUnits();
  v.scale = std::max(0.0f, std::min(static_cast<float>(client.right) / (width + 2 * kMarginUnits),
                                    static_cast<float>(client.bottom) / (height + 2 * kMarginUnits)));
  v.originX = (static_cast<float>(client.right) - width * v.scale) / 2;
  v.originY = (static_cast<float>(client.bottom) - height * v.scale) / 2;
  // Edges are rounded from units one by one, so keys that meet in units meet
  // in pixels and the gaps between them are all alike.
  auto pixelX = [&](float x) { return static_cast<LONG>(std::lround(v.originX + x * v.scale)); };
  auto pixelY = [&](float y) { return static_cast<LONG>(std::lround(v.originY + y * v.scale)); };
  LONG inset = std::max(1L, std::lround(v.scale * kInsetUnits));
  for (const KeyPlace& place : KeyboardPlaces()) {
    RECT cell{pixelX(place.x), pixelY(place.y), pixelX(place.x + place.width), pixelY(place.y + place.height)};
    size_t slot = static_cast<size_t>(place.key);
    v.cells[slot] = cell;
    v.faces[slot] = RECT{cell.left + inset, cell.top + inset, cell.right - inset, cell.bottom - inset};
  }
  MakeFonts(v);
  if (v.tooltip) {
    SendMessageW(v.tooltip, TTM_SETMAXTIPWIDTH, 0, MulDiv(kTipWidth, Dpi(v.window), 96));
    for (const KeyPlace& place : KeyboardPlaces()) {
      TTTOOLINFOW tool{};
      tool.cbSize = TTTOOLINFOW_V2_SIZE;
      tool.hwnd = v.window;
      tool.uId = static_cast<UINT_PTR>(place.key);
      tool.rect = v.cells[static_cast<size_t>(place.key)];
      SendMessageW(v.tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
  InvalidateRect(v.window, nullptr, FALSE);
}

int KeyAt(const View& v, POINT point) {
  for (const KeyPlace& place : KeyboardPlaces()) {
    if (PtInRect(&v.cells[static_cast<size_t>(place.key)], point)) return place.key;
  }
  return -1;
}

// One tool per key, whose text is asked for when it shows.
void CreateTooltip(View& v) {
  v.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, v.window, nullptr,
                              reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(v.window, GWLP_HINSTANCE)), nullptr);
  if (!v.tooltip) return;
  for (const KeyPlace& place : KeyboardPlaces()) {
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = v.window;
    tool.uId = static_cast<UINT_PTR>(place.key);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(v.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void RelayToTooltip(const View& v, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!v.tooltip) return;
  MSG msg{v.window, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
  DWORD pos = GetMessagePos();
  msg.pt = POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
  SendMessageW(v.tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

std::wstring TipOf(const View& v, int key) {
  const std::string& tip = v.looks[static_cast<size_t>(key)].tip;
  std::wstring wide = Wide(tip.empty() ? NameOf(key) : tip);
  // The tooltip breaks lines at CR LF.
  std::wstring text;
  for (wchar_t c : wide) {
    if (c == L'\n' && (text.empty() || text.back() != L'\r')) text += L'\r';
    text += c;
  }
  return text;
}

// ---- Painting ----------------------------------------------------------------------

COLORREF Darker(COLORREF c) {
  return RGB(GetRValue(c) * 4 / 5, GetGValue(c) * 4 / 5, GetBValue(c) * 4 / 5);
}

COLORREF HalfWay(COLORREF a, COLORREF b) {
  return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2, (GetBValue(a) + GetBValue(b)) / 2);
}

COLORREF FillOf(KeySource source) {
  switch (source) {
    case KeySource::kOwn:
      return kOwnFill;
    case KeySource::kCategory:
      return kCategoryFill;
    case KeySource::kSilent:
      break;
  }
  return kSilentFill;
}

// An arrow `length` pixels long in the middle of `area`, for a face without
// the arrow characters.
void DrawArrow(HDC dc, const RECT& area, POINT direction, int length, COLORREF ink) {
  float half = static_cast<float>(length) / 2;
  float head = half;
  float headWidth = static_cast<float>(length) * 0.36f;
  float shaft = std::max(0.75f, static_cast<float>(length) * 0.08f);
  // Along the arrow, then across it.
  const float shape[7][2] = {{-half, -shaft},          {half - head, -shaft}, {half - head, -headWidth}, {half, 0},
                             {half - head, headWidth}, {half - head, shaft},  {-half, shaft}};
  float cx = static_cast<float>(area.left + area.right) / 2, cy = static_cast<float>(area.top + area.bottom) / 2;
  POINT points[7];
  for (size_t i = 0; i < 7; ++i) {
    float along = shape[i][0], across = shape[i][1];
    points[i] = POINT{std::lround(cx + along * direction.x - across * direction.y),
                      std::lround(cy + along * direction.y + across * direction.x)};
  }
  ScopedBrush brush(CreateSolidBrush(ink));
  SelectedObject selectedBrush(dc, brush.get());
  SelectedObject selectedPen(dc, GetStockObject(NULL_PEN));
  Polygon(dc, points, 7);
}

void DrawKey(const View& v, HDC dc, int key, bool focused, bool enabled) {
  size_t slot = static_cast<size_t>(key);
  RECT face = v.faces[slot];
  const KeyLook& look = v.looks[slot];
  bool pressed = key == v.mouseKey || key == v.spaceKey;
  COLORREF fill = FillOf(look.source);
  // A disabled keyboard still shows where the sounds come from, faded.
  if (!enabled) fill = HalfWay(fill, GetSysColor(COLOR_BTNFACE));
  ScopedBrush brush(CreateSolidBrush(pressed ? Darker(fill) : fill));
  ScopedGdi<HPEN> edge(CreatePen(PS_SOLID, 1, kEdge));
  int corner = std::max(2, static_cast<int>(std::lround(v.scale * kCornerUnits)));
  {
    SelectedObject selectedBrush(dc, brush.get());
    SelectedObject selectedPen(dc, edge.get());
    RoundRect(dc, face.left, face.top, face.right, face.bottom, corner, corner);
  }

  if (look.ownRelease) {
    // A triangle in the top right corner, clear of the label.
    int size = std::max(4, static_cast<int>(std::lround(v.scale * 0.26f)));
    int inner = std::max(2, corner / 3);
    POINT corner3[3] = {{face.right - inner - size, face.top + inner},
                        {face.right - inner, face.top + inner},
                        {face.right - inner, face.top + inner + size}};
    ScopedBrush mark(CreateSolidBrush(enabled ? kReleaseMark : HalfWay(kReleaseMark, fill)));
    SelectedObject selectedBrush(dc, mark.get());
    SelectedObject selectedPen(dc, GetStockObject(NULL_PEN));
    Polygon(dc, corner3, 3);
  }

  COLORREF ink = look.source == KeySource::kSilent ? kMutedLabel : kLabel;
  if (!enabled) ink = GetSysColor(COLOR_GRAYTEXT);
  RECT text = face;
  if (pressed) OffsetRect(&text, 1, 1);
  std::wstring label = LabelOf(key);
  if (v.drawnArrow[slot]) {
    DrawArrow(dc, text, ArrowOf(label), std::max(6, static_cast<int>(std::lround(v.scale * kLabelUnits))), ink);
  } else if (!v.fonts.empty()) {
    SelectedObject font(dc, v.fonts[v.fontOfKey[slot]].get());
    SetTextColor(dc, ink);
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }

  if (focused) {
    int width = std::max(2, static_cast<int>(std::lround(v.scale * 0.08f)));
    ScopedGdi<HPEN> outline(CreatePen(PS_INSIDEFRAME, width, GetSysColor(COLOR_HIGHLIGHT)));
    SelectedObject selectedPen(dc, outline.get());
    SelectedObject selectedBrush(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, face.left, face.top, face.right, face.bottom, corner, corner);
  }
}

// Everything is drawn into a bitmap first and copied in one piece, so that
// a repaint never shows the background between the keys flashing.
void Paint(const View& v, HDC target) {
  RECT client{};
  GetClientRect(v.window, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  ScopedMemoryDC dc(CreateCompatibleDC(target));
  ScopedBitmap bitmap(CreateCompatibleBitmap(target, client.right, client.bottom));
  if (!dc || !bitmap) return;
  {
    SelectedObject selectedBitmap(dc.get(), bitmap.get());
    FillRect(dc.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
    // On a themed tab page the page's own texture shows around the keys.
    DrawThemeParentBackground(v.window, dc.get(), &client);
    SetBkMode(dc.get(), TRANSPARENT);
    bool hasFocus = GetFocus() == v.window;
    bool enabled = IsWindowEnabled(v.window) != FALSE;
    for (const KeyPlace& place : KeyboardPlaces()) {
      DrawKey(v, dc.get(), place.key, hasFocus && place.key == v.focusKey, enabled);
    }
    BitBlt(target, 0, 0, client.right, client.bottom, dc.get(), 0, 0, SRCCOPY);
  }
}

// ---- What the user does -------------------------------------------------------------

void Notify(HWND window, UINT code, int key, const wchar_t* path = nullptr) {
  NMKEYBOARDVIEW block{};
  block.header.hwndFrom = window;
  block.header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(window));
  block.header.code = code;
  block.key = key;
  block.path = path;
  SendMessageW(GetParent(window), WM_NOTIFY, block.header.idFrom, reinterpret_cast<LPARAM>(&block));
}

bool SetFocusKey(View& v, int key) {
  if (!PlaceOfKey(key)) return false;
  if (key != v.focusKey) {
    v.focusKey = key;
    InvalidateRect(v.window, nullptr, FALSE);
  }
  return true;
}

// A press that began is always ended, however it ends (the button let go,
// the capture taken away), so the parent never keeps a note sounding.
void EndMousePress(View& v) {
  if (v.mouseKey < 0) return;
  int key = std::exchange(v.mouseKey, -1);
  InvalidateRect(v.window, nullptr, FALSE);
  if (GetCapture() == v.window) ReleaseCapture();
  Notify(v.window, KVN_PREVIEWRELEASE, key);
}

void EndSpacePress(View& v) {
  if (v.spaceKey < 0) return;
  int key = std::exchange(v.spaceKey, -1);
  InvalidateRect(v.window, nullptr, FALSE);
  Notify(v.window, KVN_PREVIEWRELEASE, key);
}

void ShowMenu(View& v, int key, POINT screen) {
  ScopedMenu menu(CreatePopupMenu());
  if (!menu) return;
  bool own = v.looks[static_cast<size_t>(key)].source == KeySource::kOwn;
  AppendMenuW(menu.get(), MF_STRING, kMenuPlay, L"&Play");
  AppendMenuW(menu.get(), MF_STRING, kMenuEdit, L"&Choose sound...");
  AppendMenuW(menu.get(), MF_STRING | (own ? 0u : MF_GRAYED), kMenuReset, L"&Use the category's sound");
  // What a double click does.
  SetMenuDefaultItem(menu.get(), kMenuEdit, FALSE);
  // A tip would stand over the menu.
  if (v.tooltip) SendMessageW(v.tooltip, TTM_ACTIVATE, FALSE, 0);
  UINT command = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                                  screen.x, screen.y, 0, v.window, nullptr));
  if (v.tooltip) SendMessageW(v.tooltip, TTM_ACTIVATE, TRUE, 0);
  HWND window = v.window;
  switch (command) {
    case kMenuPlay:
      Notify(window, KVN_PREVIEW, key);
      if (IsWindow(window)) Notify(window, KVN_PREVIEWRELEASE, key);
      break;
    case kMenuEdit:
      Notify(window, KVN_EDIT, key);
      break;
    case kMenuReset:
      Notify(window, KVN_RESET, key);
      break;
    default:
      break;
  }
}

void OnContextMenu(View& v, LPARAM lParam) {
  POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  int key = v.focusKey;
  if (lParam == -1) {
    // From the keyboard: under the focused key.
    const RECT& face = v.faces[static_cast<size_t>(key)];
    screen = POINT{face.left + (face.right - face.left) / 2, face.bottom};
    ClientToScreen(v.window, &screen);
  } else {
    POINT client = screen;
    ScreenToClient(v.window, &client);
    key = KeyAt(v, client);
    if (key < 0) return;
    SetFocusKey(v, key);
  }
  ShowMenu(v, key, screen);
}

void OnKeyDown(View& v, WPARAM key, LPARAM lParam) {
  bool repeat = (lParam & (1 << 30)) != 0;
  switch (key) {
    case VK_LEFT:
      SetFocusKey(v, NeighbourKey(v.focusKey, -1, 0));
      break;
    case VK_RIGHT:
      SetFocusKey(v, NeighbourKey(v.focusKey, 1, 0));
      break;
    case VK_UP:
      SetFocusKey(v, NeighbourKey(v.focusKey, 0, -1));
      break;
    case VK_DOWN:
      SetFocusKey(v, NeighbourKey(v.focusKey, 0, 1));
      break;
    case VK_SPACE:
      if (repeat || v.spaceKey >= 0) break;
      v.spaceKey = v.focusKey;
      InvalidateRect(v.window, nullptr, FALSE);
      Notify(v.window, KVN_PREVIEW, v.spaceKey);
      break;
    case VK_RETURN:
      if (!repeat) Notify(v.window, KVN_EDIT, v.focusKey);
      break;
    case VK_DELETE:
      if (!repeat) Notify(v.window, KVN_RESET, v.focusKey);
      break;
    default:
      break;
  }
}

void OnDrop(View& v, HDROP handle) {
  ScopedDrop drop(handle);
  POINT point{};
  DragQueryPoint(drop.get(), &point);
  int key = KeyAt(v, point);
  UINT length = DragQueryFileW(drop.get(), 0, nullptr, 0);
  if (key < 0 || length == 0) return;
  std::wstring path(length + 1, L'\0');
  DragQueryFileW(drop.get(), 0, path.data(), length + 1);
  path.resize(length);
  SetFocusKey(v, key);
  Notify(v.window, KVN_DROPFILE, key, path.c_str());
}

// In a dialog the arrows, Enter, Delete and Space are the keyboard's; Tab and
// Escape stay the dialog's.
LRESULT DialogCode(LPARAM lParam) {
  LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (const auto* msg = reinterpret_cast<const MSG*>(lParam); msg && msg->message == WM_KEYDOWN) {
    if (msg->wParam == VK_RETURN || msg->wParam == VK_DELETE || msg->wParam == VK_SPACE) code |= DLGC_WANTMESSAGE;
  }
  return code;
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto view = std::make_unique<View>();
    view->window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view.release()));
    return DefWindowProcW(window, message, wParam, lParam);
  }
  View* v = ViewOf(window);
  if (!v) return DefWindowProcW(window, message, wParam, lParam);
  if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST && message != WM_MOUSEWHEEL) {
    RelayToTooltip(*v, message, wParam, lParam);
  }
  switch (message) {
    case WM_NCDESTROY: {
      std::unique_ptr<View> owned(v);
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      return DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_CREATE:
      CreateTooltip(*v);
      DragAcceptFiles(window, TRUE);
      Relayout(*v);
      return 0;
    case WM_SIZE:
    case WM_DPICHANGED_AFTERPARENT:
    case WM_SETTINGCHANGE:
      Relayout(*v);
      return 0;
    case WM_SETFONT:
      v->dialogFont = reinterpret_cast<HFONT>(wParam);
      Relayout(*v);
      if (LOWORD(lParam)) UpdateWindow(window);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(v->dialogFont);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintDC dc(window);
      if (dc.get()) Paint(*v, dc.get());
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(*v, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SETFOCUS:
    case WM_ENABLE:
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_KILLFOCUS:
      EndSpacePress(*v);
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_GETDLGCODE:
      return DialogCode(lParam);
    case WM_KEYDOWN:
      OnKeyDown(*v, wParam, lParam);
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE) EndSpacePress(*v);
      return 0;
    case WM_LBUTTONDOWN: {
      if (GetFocus() != window) SetFocus(window);
      int key = KeyAt(*v, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (key < 0) return 0;
      EndMousePress(*v);
      SetFocusKey(*v, key);
      v->mouseKey = key;
      SetCapture(window);
      Notify(window, KVN_PREVIEW, key);
      return 0;
    }
    case WM_LBUTTONUP:
      EndMousePress(*v);
      return 0;
    case WM_CAPTURECHANGED:
      EndMousePress(*v);
      return 0;
    case WM_LBUTTONDBLCLK: {
      int key = KeyAt(*v, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (key >= 0 && SetFocusKey(*v, key)) Notify(window, KVN_EDIT, key);
      return 0;
    }
    case WM_RBUTTONDOWN: {
      if (GetFocus() != window) SetFocus(window);
      int key = KeyAt(*v, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (key >= 0) SetFocusKey(*v, key);
      return 0;
    }
    case WM_CONTEXTMENU:
      OnContextMenu(*v, lParam);
      return 0;
    case WM_DROPFILES:
      OnDrop(*v, reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->hwndFrom != v->tooltip || header->code != TTN_GETDISPINFOW) break;
      auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
      int key = static_cast<int>(info->hdr.idFrom);
      if (!PlaceOfKey(key)) return 0;
      v->tipText = TipOf(*v, key);
      info->hinst = nullptr;
      info->lpszText = v->tipText.data();
      return 0;
    }
    case KVM_SETLOOKS: {
      if (const auto* looks = reinterpret_cast<const std::vector<KeyLook>*>(lParam)) {
        v->looks = *looks;
        v->looks.resize(kSlots);
      }
      InvalidateRect(window, nullptr, FALSE);
      if (v->tooltip) SendMessageW(v->tooltip, TTM_UPDATE, 0, 0);
      return 0;
    }
    case KVM_GETFOCUSKEY:
      return v->focusKey;
    case KVM_SETFOCUSKEY:
      return SetFocusKey(*v, static_cast<int>(wParam)) ? TRUE : FALSE;
    case KVM_GETKEYRECT: {
      auto* rect = reinterpret_cast<RECT*>(lParam);
      int key = static_cast<int>(wParam);
      bool drawn = PlaceOfKey(key) != nullptr;
      if (rect) *rect = drawn ? v->faces[static_cast<size_t>(key)] : RECT{};
      return drawn ? TRUE : FALSE;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool RegisterKeyboardView(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, kKeyboardViewClass, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  // The picture is centred: a new size moves every key.
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = GuardedWindowProc<HandleMessage>;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = kKeyboardViewClass;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
