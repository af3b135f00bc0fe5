#include "ui/key_sound_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "app/exception_boundary.h"
#include "app/startup.h"
#include "audio/audio_engine.h"
#include "base/program_paths.h"
#include "base/scoped_win.h"
#include "base/wide_text.h"
#include "settings/sound_reference.h"
#include "ui/editor_rules.h"
#include "ui/resource.h"
#include "ui/sound_path_rules.h"
#include "ui/window_util.h"

namespace {

constexpr int kThumbLength = 18;  // pixels at 96 dpi

constexpr int kSliceRowHeight = 16;  // dialog units
constexpr int kGripPixels = 4;       // how near an edge of a slice a press takes it

struct TfrmKey {
  std::string caption;
  KeySound* sound = nullptr;
  SoundOutline outline;  // of the file the field names (the whole file, for a slice)
  bool outlineRead = false;
  std::string outlineOf;  // the file and width the outline was read for
  // A single slice of a file: drawn over the whole file's waveform.
  bool slice = false;
  SliceSpan span;
  std::string sliceFile;
  bool sliceRowShown = true;  // as the template has it
  bool updating = false;      // the fields are being set from each other
  int dragEdge = -1;          // 0 the start, 1 the end of the slice being dragged
};

constexpr int kSliceRow[] = {IDC_lblSliceStart, IDC_edSliceStart, IDC_lblSliceLength, IDC_edSliceLength,
                             IDC_lblSliceMs, IDC_btnPlaySound};

constexpr COLORREF kWaveBackground = RGB(255, 255, 255);
constexpr COLORREF kWaveColour = RGB(30, 90, 170);
constexpr COLORREF kClippedColour = RGB(200, 30, 30);
constexpr COLORREF kAxisColour = RGB(200, 200, 200);
constexpr COLORREF kSliceColour = RGB(255, 236, 179);
constexpr COLORREF kSliceEdgeColour = RGB(230, 140, 0);

// The slice row shows only for a slice; without it, the rows below it move
// up and the dialog is as short as before slices were known.
void ShowSliceRow(HWND dialog, TfrmKey& form, bool show) {
  if (show == form.sliceRowShown) return;
  form.sliceRowShown = show;
  RECT unit{0, 0, 1, kSliceRowHeight};
  MapDialogRect(dialog, &unit);
  const int dy = show ? unit.bottom : -unit.bottom;
  RECT row{};
  GetWindowRect(GetDlgItem(dialog, IDC_edSliceStart), &row);
  for (int id : kSliceRow) ShowWindow(GetDlgItem(dialog, id), show ? SW_SHOW : SW_HIDE);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect{};
    GetWindowRect(child, &rect);
    if (rect.top <= row.bottom) continue;
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    SetWindowPos(child, nullptr, rect.left, rect.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT window{};
  GetWindowRect(dialog, &window);
  SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + dy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The highest level of the outline's columns within the slice.
double SlicePeak(const TfrmKey& form, int width) {
  const int from = SliceEdgePixel(form.span.startMs, form.outline.lengthMs, width);
  const int to = SliceEdgePixel(form.span.startMs + form.span.lengthMs, form.outline.lengthMs, width);
  double peak = 0;
  for (int c = std::max(from, 0); c < to && 2 * static_cast<size_t>(c) + 1 < form.outline.lowHigh.size(); ++c) {
    peak = std::max({peak, std::abs(static_cast<double>(form.outline.lowHigh[2 * static_cast<size_t>(c)])),
                     std::abs(static_cast<double>(form.outline.lowHigh[2 * static_cast<size_t>(c) + 1]))});
  }
  return peak;
}

// Reads the file the field names afresh, for the picture and its line.
void ReadWave(HWND dialog, TfrmKey& form) {
  HWND picture = GetDlgItem(dialog, IDC_imgWave);
  RECT area{};
  GetClientRect(picture, &area);
  const int width = std::max<int>(area.right - area.left, 1);
  const std::string text = WindowText(GetDlgItem(dialog, IDC_edSoundName));
  const std::vector<SoundPart> parts = ParseSoundReference(text);
  form.slice = parts.size() == 1 && parts[0].IsSlice();
  // A slice is drawn on its whole file, which is read once however the
  // slice moves.
  const std::string whole = form.slice ? parts[0].file : text;
  const std::string key = whole + "|" + std::to_string(width);
  if (text.empty()) {
    form.outlineRead = false;
    form.outlineOf.clear();
  } else if (key != form.outlineOf) {
    form.outlineRead = ReadSoundOutline(whole, width, form.outline);
    form.outlineOf = key;
  }
  if (form.slice) {
    form.sliceFile = parts[0].file;
    form.span = {static_cast<int>(parts[0].startMs), static_cast<int>(parts[0].lengthMs)};
    if (!form.updating) {
      form.updating = true;
      SetItemText(dialog, IDC_edSliceStart, std::to_string(form.span.startMs));
      SetItemText(dialog, IDC_edSliceLength, std::to_string(form.span.lengthMs));
      form.updating = false;
    }
  }
  ShowSliceRow(dialog, form, form.slice);
  if (text.empty()) {
    SetItemText(dialog, IDC_lblWave, form.sound->release ? "No release sound" : "No sound");
  } else if (!form.outlineRead) {
    SetItemText(dialog, IDC_lblWave, form.outline.problem);
  } else if (form.slice) {
    const int length = std::clamp(form.outline.lengthMs - form.span.startMs, 0, form.span.lengthMs);
    SetItemText(dialog, IDC_lblWave, WaveSummary(length, SlicePeak(form, width)) + " of " +
                                         std::to_string(form.outline.lengthMs) + " ms");
  } else {
    SetItemText(dialog, IDC_lblWave, WaveSummary(form.outline.lengthMs, form.outline.peak));
  }
  InvalidateRect(picture, nullptr, TRUE);
}

// The slice typed in its fields: the field of the file names it.
void SliceFieldsChanged(HWND dialog, TfrmKey& form) {
  if (form.updating || !form.slice) return;
  const int start = std::atoi(WindowText(GetDlgItem(dialog, IDC_edSliceStart)).c_str());
  const int length = std::atoi(WindowText(GetDlgItem(dialog, IDC_edSliceLength)).c_str());
  if (start < 0 || length <= 0) return;
  form.updating = true;
  SoundPart part{form.sliceFile, static_cast<uint32_t>(start), static_cast<uint32_t>(length)};
  SetItemText(dialog, IDC_edSoundName, FormatSoundReference({part}));
  form.updating = false;
}

// The slice's edges, taken and moved with the mouse on the waveform.
LRESULT WaveProc(HWND picture, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR data) {
  auto& form = *reinterpret_cast<TfrmKey*>(data);
  HWND dialog = GetParent(picture);
  RECT area{};
  GetClientRect(picture, &area);
  const int width = std::max<int>(area.right - area.left, 1);
  const int x = GET_X_LPARAM(lParam);
  const bool sliced = form.slice && form.outlineRead && form.outline.lengthMs > 0;
  switch (message) {
    case WM_SETCURSOR: {
      POINT cursor{};
      GetCursorPos(&cursor);
      ScreenToClient(picture, &cursor);
      if (sliced && (form.dragEdge >= 0 ||
                     SliceEdgeNear(form.span, form.outline.lengthMs, width, cursor.x, kGripPixels) >= 0)) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_SIZEWE)));
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONDOWN:
      if (!sliced) break;
      form.dragEdge = SliceEdgeNear(form.span, form.outline.lengthMs, width, x, kGripPixels);
      if (form.dragEdge >= 0) SetCapture(picture);
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      // The button's release is where the edge ends up, whatever moves came
      // before it.
      if (form.dragEdge >= 0 && GetCapture() == picture) {
        form.span = DragSliceEdge(form.span, form.outline.lengthMs, width, form.dragEdge, x);
        form.updating = true;
        SetItemText(dialog, IDC_edSliceStart, std::to_string(form.span.startMs));
        SetItemText(dialog, IDC_edSliceLength, std::to_string(form.span.lengthMs));
        form.updating = false;
        SliceFieldsChanged(dialog, form);
      }
      if (message == WM_MOUSEMOVE) break;
      [[fallthrough]];
    case WM_CAPTURECHANGED:
      if (form.dragEdge >= 0) {
        form.dragEdge = -1;
        if (GetCapture() == picture) ReleaseCapture();
      }
      break;
    default:
      break;
  }
  return DefSubclassProc(picture, message, wParam, lParam);
}

// The waveform: a column per pixel from the part's lowest to its highest
// value, red where it reaches full scale, over a grey centre line.
void DrawWave(const DRAWITEMSTRUCT& item, const TfrmKey& form) {
  HDC dc = item.hDC;
  RECT area = item.rcItem;
  ScopedBrush background(CreateSolidBrush(kWaveBackground));
  FillRect(dc, &area, background.get());
  const int height = area.bottom - area.top;
  const int middle = area.top + height / 2;
  ScopedGdi<HPEN> axis(CreatePen(PS_SOLID, 1, kAxisColour));
  {
    SelectedObject pen(dc, axis.get());
    MoveToEx(dc, area.left, middle, nullptr);
    LineTo(dc, area.right, middle);
  }
  if (!form.outlineRead) return;
  const int width = area.right - area.left;
  if (form.slice && form.outline.lengthMs > 0) {
    // The slice stands out from the rest of the file, its edges marked.
    RECT part = area;
    part.left = area.left + SliceEdgePixel(form.span.startMs, form.outline.lengthMs, width);
    part.right = std::min<LONG>(area.right, area.left + std::max(SliceEdgePixel(form.span.startMs + form.span.lengthMs,
                                                                                form.outline.lengthMs, width),
                                                                 static_cast<int>(part.left - area.left) + 1));
    ScopedBrush highlight(CreateSolidBrush(kSliceColour));
    FillRect(dc, &part, highlight.get());
    ScopedGdi<HPEN> edge(CreatePen(PS_SOLID, 1, kSliceEdgeColour));
    SelectedObject pen(dc, edge.get());
    for (LONG x : {part.left, part.right - 1}) {
      MoveToEx(dc, x, area.top, nullptr);
      LineTo(dc, x, area.bottom);
    }
  }
  ScopedGdi<HPEN> wave(CreatePen(PS_SOLID, 1, kWaveColour));
  ScopedGdi<HPEN> clipped(CreatePen(PS_SOLID, 1, kClippedColour));
  const size_t columns = form.outline.lowHigh.size() / 2;
  const double half = (height - 2) / 2.0;
  for (size_t c = 0; c < columns && area.left + static_cast<int>(c) < area.right; ++c) {
    float low = form.outline.lowHigh[2 * c], high = form.outline.lowHigh[2 * c + 1];
    bool full = low <= -0.999f || high >= 0.999f;
    SelectedObject pen(dc, full ? clipped.get() : wave.get());
    int x = area.left + static_cast<int>(c);
    int top = middle - static_cast<int>(std::lround(high * half));
    int bottom = middle - static_cast<int>(std::lround(low * half));
    MoveToEx(dc, x, top, nullptr);
    LineTo(dc, x, bottom + 1);  // at least one pixel, even for silence
  }
}


void tbVolumeChange(HWND dialog) {
  auto position = SendDlgItemMessageW(dialog, IDC_tbVolume, TBM_GETPOS, 0, 0);
  SetItemText(dialog, IDC_lblProc, (std::to_string(position) + "%"));
}

INT_PTR KeyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = DialogObject<TfrmKey>(dialog, message, lParam);
  switch (message) {
    case WM_INITDIALOG: {
      // In the opener's order: file, caption, position, label.
      SetItemText(dialog, IDC_edSoundName, form->sound->fileName);
      SetText(dialog, form->caption);
      HWND trackBar = GetDlgItem(dialog, IDC_tbVolume);
      SendMessageW(trackBar, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
      SendMessageW(trackBar, TBM_SETPAGESIZE, 0, 10);
      SendMessageW(trackBar, TBM_SETTHUMBLENGTH,
                   static_cast<WPARAM>(MulDiv(kThumbLength, static_cast<int>(GetDpiForWindow(dialog)), 96)), 0);
      SendMessageW(trackBar, TBM_SETPOS, TRUE, form->sound->volume);
      SetItemText(dialog, IDC_lblProc, (form->sound->volumeText + "%"));
      SendDlgItemMessageW(dialog, IDC_edSoundName, EM_SETSEL, 0, -1);
      if (form->sound->singleKey) SetItemText(dialog, IDC_edReleaseName, form->sound->releaseFileName);
      SetWindowSubclass(GetDlgItem(dialog, IDC_imgWave), GuardedSubclassProc<WaveProc>, 1,
                        reinterpret_cast<DWORD_PTR>(form));
      ReadWave(dialog, *form);
      CentreOverOwner(dialog);
      return TRUE;  // the focus goes to the file field
    }
    case WM_DRAWITEM:
      if (wParam != IDC_imgWave) return FALSE;
      DrawWave(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), *form);
      return TRUE;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog, IDC_tbVolume)) tbVolumeChange(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_edSoundName:
          if (HIWORD(wParam) == EN_CHANGE) ReadWave(dialog, *form);
          return TRUE;
        case IDC_edSliceStart:
        case IDC_edSliceLength:
          if (HIWORD(wParam) == EN_CHANGE) SliceFieldsChanged(dialog, *form);
          return TRUE;
        case IDC_btnOpen:
        case IDC_btnOpenRelease:
          if (HIWORD(wParam) == BN_CLICKED) {
            std::string chosen = ChooseSoundFile(dialog);
            const int field = LOWORD(wParam) == IDC_btnOpen ? IDC_edSoundName : IDC_edReleaseName;
            if (!chosen.empty()) SetItemText(dialog, field, chosen);
          }
          return TRUE;
        case IDC_btnPlaySound:
          // Just the slice, at the volume of the track bar.
          if (HIWORD(wParam) == BN_CLICKED) {
            PlayPreview(WindowText(GetDlgItem(dialog, IDC_edSoundName)),
                        static_cast<int>(SendDlgItemMessageW(dialog, IDC_tbVolume, TBM_GETPOS, 0, 0)));
          }
          return TRUE;
        case IDOK:
          form->sound->fileName = WindowText(GetDlgItem(dialog, IDC_edSoundName));
          if (form->sound->singleKey) form->sound->releaseFileName = WindowText(GetDlgItem(dialog, IDC_edReleaseName));
          form->sound->volume = static_cast<int>(SendDlgItemMessageW(dialog, IDC_tbVolume, TBM_GETPOS, 0, 0));
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:  // Escape from any control, or the close button
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_DESTROY:
      StopPreview();
      TrimWorkingSet();  // FormClose
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

std::string ChooseSoundFile(HWND owner) {
  std::string folder = ProgramFolder();
  FileChoice choice;
  // Every format the audio library reads first; it tells them by their
  // content, so "All Files" opens a sound of any name too.
  choice.filter =
      L"Sound files (*.wav;*.ogg;*.oga;*.mp3;*.m4a;*.flac)\0*.wav;*.ogg;*.oga;*.mp3;*.m4a;*.flac\0"
      L"Wave\0*.Wav\0All Files\0*.*\0";
  choice.initialFolder = folder + "\\Schemes";
  std::string chosen = ChooseFile(owner, choice);
  return chosen.empty() ? "" : PathForScheme(chosen, folder);
}

bool EditKeySoundDialog(HWND owner, const std::string& keyName, KeySound& sound) {
  TfrmKey form;
  form.caption = sound.release ? keyName + " - release" : keyName;
  form.sound = &sound;
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(sound.singleKey ? IDD_KEY_OWN : IDD_KEY), owner,
                         GuardedDialogProc<KeyProc>, reinterpret_cast<LPARAM>(&form)) == IDOK;
}
