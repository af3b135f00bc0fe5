#include "ui/menus.h"

#include <commctrl.h>

#include <stdexcept>

#include "app/commands.h"
#include "app/log.h"
#include "app/quiet_watch.h"
#include "audio/eax_presets.h"
#include "base/scoped_win.h"
#include "base/wide_text.h"
#include "input/quiet_rules.h"
#include "settings/settings.h"
#include "ui/about_box.h"
#include "ui/device_selector.h"
#include "ui/icons.h"
#include "ui/options_window.h"
#include "ui/resource.h"

// The menu bar comes from the resource script; its commands are these.
static_assert(IDM_ABOUT == kCmdAbout && IDM_SEND_MESSAGE == kCmdSendMessage && IDM_WEB_SITE == kCmdWebSite &&
              IDM_CLOSE_WINDOW == kCmdCloseWindow && IDM_SELECT_AUDIO_DEVICE == kCmdSelectAudioDevice);

namespace {

// Menu pictures are drawn by the program (HBMMENU_CALLBACK): a bitmap in the
// menu item loses its alpha channel on some systems and shows a black square.
void AddItem(HMENU menu, UINT id, const std::string& text, int image, HMENU submenu = nullptr) {
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE | (submenu ? MIIM_SUBMENU : 0u) |
               (image >= 0 ? MIIM_BITMAP | MIIM_DATA : 0u);
  item.fType = MFT_STRING;
  item.wID = id;
  item.hSubMenu = submenu;
  std::wstring wide = Wide(text);
  item.dwTypeData = wide.data();
  item.hbmpItem = image >= 0 ? HBMMENU_CALLBACK : nullptr;
  item.dwItemData = static_cast<ULONG_PTR>(image);
  InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &item);
}

// A submenu under an item of `menu`, which owns it from then on.
void AddSubmenu(HMENU menu, const std::string& text, int image, ScopedMenu submenu) {
  AddItem(menu, 0, text, image, submenu.get());
  if (GetSubMenu(menu, GetMenuItemCount(menu) - 1) == submenu.get()) submenu.release();
}

void AddSeparator(HMENU menu) { AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); }

// Marks an item as the current one: the marker picture, optionally a radio check.
void MarkItem(HMENU menu, int position, bool checked) {
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_BITMAP | MIIM_DATA | MIIM_FTYPE | MIIM_STATE;
  item.fType = MFT_STRING | MFT_RADIOCHECK;
  item.fState = checked ? MFS_CHECKED : MFS_UNCHECKED;
  item.hbmpItem = HBMMENU_CALLBACK;
  item.dwItemData = kIconBallOn;
  SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item);
}

// Scheme names are shown as they are: an "&" in a name is doubled so that it
// is not taken as an accelerator marker.
std::string MenuText(const std::string& name) {
  std::string text;
  for (char c : name) {
    text += c;
    if (c == '&') text += '&';
  }
  return text;
}

int AddSchemeItems(HMENU menu) {
  int shown = 0;
  for (; shown < schemeList.Count() && shown <= static_cast<int>(kCmdSchemeLast - kCmdSchemeFirst); ++shown) {
    AddItem(menu, kCmdSchemeFirst + static_cast<UINT>(shown), MenuText(schemeList.Name(shown)), -1);
  }
  int current = CurrentSchemeIndex();
  return current < shown ? current : -1;
}

}  // namespace

bool MenuMeasureItem(MEASUREITEMSTRUCT* item) {
  if (item->CtlType != ODT_MENU) return false;
  item->itemWidth = static_cast<UINT>(GetSystemMetrics(SM_CXSMICON));
  item->itemHeight = static_cast<UINT>(GetSystemMetrics(SM_CYSMICON));
  return true;
}

bool MenuDrawItem(const DRAWITEMSTRUCT* item) {
  if (item->CtlType != ODT_MENU) return false;
  HICON icon = SmallIcon(static_cast<int>(item->itemData));
  if (!icon) return true;
  int size = GetSystemMetrics(SM_CXSMICON);
  int x = item->rcItem.left + (item->rcItem.right - item->rcItem.left - size) / 2;
  int y = item->rcItem.top + (item->rcItem.bottom - item->rcItem.top - size) / 2;
  DrawIconEx(item->hDC, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
  return true;
}

std::string HotkeyText(uint16_t hotKey) {
  UINT key = hotKey & 0xFF;
  if (!key) return "";
  std::string text;
  if (hotKey & 0x4000) text += "Ctrl+";
  if (hotKey & 0x8000) text += "Alt+";
  if (hotKey & 0x2000) text += "Shift+";
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
    text += static_cast<char>(key);
  } else if (key >= VK_F1 && key <= VK_F24) {
    text += 'F';
    text += std::to_string(key - VK_F1 + 1);
  } else {
    wchar_t name[64] = L"";
    LONG scan = static_cast<LONG>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    if (GetKeyNameTextW(scan, name, 64) > 0) {
      text += Utf8(name);
    } else {
      text += '#';
      text += std::to_string(key);
    }
  }
  return text;
}

namespace {
// The program that the menu's "Quiet in <program>" names, as it was when the
// menu opened.
std::string menuProgram;
}  // namespace

UINT ShowTrayMenu(HWND window) {
  ScopedMenu menu(CreatePopupMenu());
  ScopedMenu schemes(CreatePopupMenu());
  ScopedMenu eax(CreatePopupMenu());
  ScopedMenu help(CreatePopupMenu());

  std::string options = "Options...\t";
  options += HotkeyText(settings.OptionsHotKey);
  AddItem(menu.get(), kCmdOptions, options, kIconOptions);
  SetMenuDefaultItem(menu.get(), kCmdOptions, FALSE);
  AddSeparator(menu.get());
  if (schemeList.Count() > 0) {
    int current = AddSchemeItems(schemes.get());
    if (!settings.CurrentSchemeName.empty()) {
      if (current >= 0) {
        MarkItem(schemes.get(), current, true);
      } else {
        WriteLog("Error in PopUp Menu");
      }
    }
  }
  AddSubmenu(menu.get(), "Scheme", kIconScheme, std::move(schemes));
  if (settings.SupportEAX) {
    AddSeparator(menu.get());
    for (size_t i = 0; i < kEaxPresets.size(); ++i) {
      AddItem(eax.get(), kCmdEaxFirst + static_cast<UINT>(i), kEaxPresets[i].name, -1);
      if (static_cast<int>(i) == settings.EaxEnv) MarkItem(eax.get(), static_cast<int>(i), false);
    }
    AddSubmenu(menu.get(), "EAX", kIconEax, std::move(eax));
    if (settings.EaxEnv >= 0 && settings.EaxEnv < static_cast<int>(kEaxPresets.size())) {
      CheckMenuItem(menu.get(), static_cast<UINT>(GetMenuItemCount(menu.get()) - 1), MF_BYPOSITION | MF_CHECKED);
    }
  }
  AddSeparator(menu.get());
  std::string mute = settings.MuteSound ? "Enable Sound\t" : "Mute Sound\t";
  mute += HotkeyText(settings.SoundHotKey);
  AddItem(menu.get(), kCmdMute, mute, settings.MuteSound ? kIconSoundsOff : kIconSoundsOn);
  AddItem(help.get(), kCmdAbout, "About", -1);
  AddSeparator(help.get());
  AddItem(help.get(), kCmdSendMessage, "Send Message...", -1);
  AddItem(help.get(), kCmdWebSite, "Brisolt Web Site", -1);
  AddSubmenu(menu.get(), "Help", kIconHelp, std::move(help));
  AddSeparator(menu.get());
  menuProgram = LastForeignProgram();
  if (!menuProgram.empty()) {
    AddItem(menu.get(), kCmdQuietInProgram, "Quiet in " + MenuText(menuProgram), -1);
    if (ListHasProgram(ParseProgramList(settings.QuietPrograms), menuProgram)) {
      CheckMenuItem(menu.get(), kCmdQuietInProgram, MF_BYCOMMAND | MF_CHECKED);
    }
    AddSeparator(menu.get());
  }
  AddItem(menu.get(), kCmdExit, "Exit", kIconExit);

  POINT cursor;
  GetCursorPos(&cursor);
  // The menu closes properly when the user clicks elsewhere only if the
  // owner window is in the foreground.
  SetForegroundWindow(window);
  UINT command = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                                  cursor.x, cursor.y, 0, window, nullptr));
  PostMessageW(window, WM_NULL, 0, 0);
  return command;
}

void miSchemeClick(HMENU schemeMenu) {
  while (GetMenuItemCount(schemeMenu) > 0) DeleteMenu(schemeMenu, 0, MF_BYPOSITION);
  try {
    int current = AddSchemeItems(schemeMenu);
    AppendMenuW(schemeMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(schemeMenu, MF_STRING, kCmdImportPack, L"Import sound pack...");
    AppendMenuW(schemeMenu, MF_STRING | (schemeList.Count() ? 0 : MF_GRAYED), kCmdExportPack, L"Export sound pack...");
    AppendMenuW(schemeMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(schemeMenu, MF_STRING, kCmdCloseWindow, L"Close\tAlt+X");
    if (!settings.CurrentSchemeName.empty()) {
      if (current < 0) throw std::runtime_error("no item for the current scheme");
      MarkItem(schemeMenu, current, false);
    }
  } catch (...) {
    WriteLog("Error in main menu");
  }
}

bool HandleMenuCommand(HWND window, UINT command) {
  if (command >= kCmdSchemeFirst && command <= kCmdSchemeLast) {
    MakeSchemeCurrent(static_cast<int>(command - kCmdSchemeFirst));
    return true;
  }
  if (command >= kCmdEaxFirst && command <= kCmdEaxLast) {
    SetReverbPreset(static_cast<int>(command - kCmdEaxFirst));
    return true;
  }
  switch (command) {
    case kCmdMute: ToggleMute(); return true;
    case kCmdSelectAudioDevice: mnSelectAudioDeviceClick(window); return true;
    case kCmdAbout: actShowAboutExecute(window); return true;
    case kCmdSendMessage: actSendMessageExecute(window); return true;
    case kCmdWebSite: actGoToWebSiteExecute(window); return true;
    case kCmdQuietInProgram:
      if (!menuProgram.empty()) ToggleQuietProgram(menuProgram);
      return true;
    case kCmdImportPack: ChooseSoundPackToImport(); return true;
    case kCmdExportPack: ChooseSoundPackExport(); return true;
    default:
      return false;
  }
}
