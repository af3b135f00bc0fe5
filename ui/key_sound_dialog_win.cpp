#include "ui/key_sound_dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <vector>

#include "app/exception_boundary.h"
#include "app/program_folder.h"
#include "app/startup.h"
#include "app/wide_text.h"
#include "ui/resource.h"
#include "ui/sound_path_rules.h"
#include "ui/window_util.h"

namespace {

constexpr int kThumbLength = 18;  // pixels at 96 dpi

struct TfrmKey {
  std::string caption;
  KeySound* sound;
};


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
      CentreOverOwner(dialog);
      return TRUE;  // the focus goes to the file field
    }
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog, IDC_tbVolume)) tbVolumeChange(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
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
  choice.filter = L"Wave\0*.Wav\0All Files\0*.*\0";
  choice.initialFolder = folder + "\\Schemes";
  std::string chosen = ChooseFile(owner, choice);
  return chosen.empty() ? "" : PathForScheme(chosen, folder);
}

bool EditKeySoundDialog(HWND owner, const std::string& keyName, KeySound& sound) {
  TfrmKey form{keyName, &sound};
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_KEY), owner, GuardedDialogProc<KeyProc>,
                         reinterpret_cast<LPARAM>(&form)) == IDOK;
}
