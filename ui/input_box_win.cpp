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
      SetText(dialog, *question->caption);
      SetItemText(dialog, IDC_lblPrompt, *question->prompt);
      SetItemText(dialog, IDC_edValue, *question->value);
      SendDlgItemMessageW(dialog, IDC_edValue, EM_SETSEL, 0, -1);
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
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INPUTBOX), owner, GuardedDialogProc<InputProc>,
                         reinterpret_cast<LPARAM>(&question)) == IDOK;
}
