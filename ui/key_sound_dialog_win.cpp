#include "ui/key_sound_dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/exception_boundary.h"
#include "app/startup.h"
#include "audio/audio_engine.h"
#include "base/program_paths.h"
#include "base/scoped_win.h"
#include "base/wide_text.h"
#include "ui/editor_rules.h"
#include "ui/resource.h"
#include "ui/sound_path_rules.h"
#include "ui/window_util.h"

namespace {

constexpr int kThumbLength = 18;  // pixels at 96 dpi

struct TfrmKey {
  std::string caption;
  KeySound* sound = nullptr;
  SoundOutline outline;  // of the file the field names
  bool outlineRead = false;
};

constexpr COLORREF kWaveBackground = RGB(255, 255, 255);
constexpr COLORREF kWaveColour = RGB(30, 90, 170);
constexpr COLORREF kClippedColour = RGB(200, 30, 30);
constexpr COLORREF kAxisColour = RGB(200, 200, 200);

// Reads the file the field names afresh, for the picture and its line.
void ReadWave(HWND dialog, TfrmKey& form) {
  HWND picture = GetDlgItem(dialog, IDC_imgWave);
  RECT area{};
  GetClientRect(picture, &area);
  std::string file = WindowText(GetDlgItem(dialog, IDC_edSoundName));
  form.outlineRead = !file.empty() && ReadSoundOutline(file, std::max<int>(area.right - area.left, 1), form.outline);
  if (file.empty()) {
    SetItemText(dialog, IDC_lblWave, form.sound->release ? "No release sound" : "No sound");
  } else {
    SetItemText(dialog, IDC_lblWave,
                form.outlineRead ? WaveSummary(form.outline.lengthMs, form.outline.peak) : form.outline.problem);
  }
  InvalidateRect(picture, nullptr, TRUE);
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
        case IDC_btnOpen:
          if (HIWORD(wParam) == BN_CLICKED) {
            std::string chosen = ChooseSoundFile(dialog);
            if (!chosen.empty()) SetItemText(dialog, IDC_edSoundName, chosen);
          }
          return TRUE;
        case IDOK:
          form->sound->fileName = WindowText(GetDlgItem(dialog, IDC_edSoundName));
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
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_KEY), owner, GuardedDialogProc<KeyProc>,
                         reinterpret_cast<LPARAM>(&form)) == IDOK;
}
