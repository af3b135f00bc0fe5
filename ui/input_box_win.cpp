#include "ui/input_box.h"

#include "app/exception_boundary.h"
#include "ui/resource.h"
#include "ui/window_util.h"

namespace {

struct Question {
  const std::string* caption;
  const std::string* prompt;
  std::string* value;
};

INT_PTR InputProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* question = DialogObject<Question>(dialog, message, lParam);
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowTextA(dialog, question->caption->c_str());
      SetDlgItemTextA(dialog, IDC_lblPrompt, question->prompt->c_str());
      SetDlgItemTextA(dialog, IDC_edValue, question->value->c_str());
      SendDlgItemMessageA(dialog, IDC_edValue, EM_SETSEL, 0, -1);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        *question->value = WindowText(GetDlgItem(dialog, IDC_edValue));
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

bool InputQuery(HWND owner, const std::string& caption, const std::string& prompt, std::string& value) {
  Question question{&caption, &prompt, &value};
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_INPUTBOX), owner, GuardedDialogProc<InputProc>,
                         reinterpret_cast<LPARAM>(&question)) == IDOK;
}
