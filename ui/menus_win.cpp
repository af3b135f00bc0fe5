#include "ui/menus.h"

#include <commctrl.h>

#include <stdexcept>

#include "app/log.h"
#include "app/main_window.h"
#include "audio/audio_engine.h"
#include "audio/eax_presets.h"
#include "input/dispatch.h"
#include "settings/settings.h"
#include "ui/about_box.h"
#include "ui/device_selector.h"
#include "ui/options_window.h"
#include "ui/resource.h"
#include "ui/tray.h"

// The menu bar comes from the resource script; its commands are these.
static_assert(IDM_ABOUT == kCmdAbout && IDM_SEND_MESSAGE == kCmdSendMessage && IDM_WEB_SITE == kCmdWebSite &&
              IDM_CLOSE_WINDOW == kCmdCloseWindow && IDM_SELECT_AUDIO_DEVICE == kCmdSelectAudioDevice);

namespace {

constexpr int kImageOn = 4;  // the marker of the current scheme or preset
constexpr int kImageOptions = 6, kImageSoundOn = 7, kImageSoundOff = 8, kImageScheme = 9, kImageHelp = 10,
              kImageExit = 11, kImageEax = 12;

HIMAGELIST iconList = nullptr;

// Menu pictures are drawn by the program (HBMMENU_CALLBACK): a bitmap in the
// menu item loses its alpha channel on some systems and shows a black square.
void AddItem(HMENU menu, UINT id, const std::string& text, int image, HMENU submenu = nullptr) {
  MENUITEMINFOA item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE | (submenu ? MIIM_SUBMENU : 0u) |
               (image >= 0 ? MIIM_BITMAP | MIIM_DATA : 0u);
  item.fType = MFT_STRING;
  item.wID = id;
  item.hSubMenu = submenu;
  item.dwTypeData = const_cast<char*>(text.c_str());
  item.hbmpItem = image >= 0 ? HBMMENU_CALLBACK : nullptr;
  item.dwItemData = static_cast<ULONG_PTR>(image);
  InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &item);
}

void AddSeparator(HMENU menu) { AppendMenuA(menu, MF_SEPARATOR, 0, nullptr); }

// Marks an item as the current one: the marker picture, optionally a radio check.
void MarkItem(HMENU menu, int position, bool checked) {
  MENUITEMINFOA item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_BITMAP | MIIM_DATA | MIIM_FTYPE | MIIM_STATE;
  item.fType = MFT_STRING | MFT_RADIOCHECK;
  item.fState = checked ? MFS_CHECKED : MFS_UNCHECKED;
  item.hbmpItem = HBMMENU_CALLBACK;
  item.dwItemData = kImageOn;
  SetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &item);
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
  int current = -1;
  for (int i = 0; i < schemeList.Count() && i <= static_cast<int>(kCmdSchemeLast - kCmdSchemeFirst); ++i) {
    AddItem(menu, kCmdSchemeFirst + static_cast<UINT>(i), MenuText(schemeList.Name(i)), -1);
    if (current < 0 && SameTextIgnoringCase(schemeList.Name(i), settings.CurrentSchemeName)) current = i;
  }
  return current;
}

void SchemeMenuItemClick(int index) {
  settings.CurrentSchemeName = schemeList.Name(index);
  SchemeChangedElsewhere();
  SetTrayIcon(kNoPictureChange, TrayTip());
}

void EaxMenuItemClick(int index) {
  ApplyEaxPreset(index);
  SelectEaxLine(index);
  settings.EaxEnv = index;
}

}  // namespace

HIMAGELIST IconList() {
  if (!iconList) {
    iconList = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 8, 8);
    for (const char* name : kIconNames) {
      HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
      ImageList_AddIcon(iconList, icon);
      if (icon) DestroyIcon(icon);
    }
  }
  return iconList;
}

void DestroyIconList() {
  if (iconList) ImageList_Destroy(iconList);
  iconList = nullptr;
}

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
    char name[64] = "";
    LONG scan = static_cast<LONG>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
    if (GetKeyNameTextA(scan, name, sizeof name) > 0) {
      text += name;
    } else {
      text += '#';
      text += std::to_string(key);
    }
  }
  return text;
}

void ShowTrayMenu(HWND window) {
  HMENU menu = CreatePopupMenu();
  HMENU schemes = CreatePopupMenu();
  HMENU eax = CreatePopupMenu();
  HMENU help = CreatePopupMenu();

  std::string options = "Options...\t";
  options += HotkeyText(settings.OptionsHotKey);
  AddItem(menu, kCmdOptions, options, kImageOptions);
  SetMenuDefaultItem(menu, kCmdOptions, FALSE);
  AddSeparator(menu);
  AddItem(menu, 0, "Scheme", kImageScheme, schemes);
  if (schemeList.Count() > 0) {
    int current = AddSchemeItems(schemes);
    if (!settings.CurrentSchemeName.empty()) {
      if (current >= 0) {
        MarkItem(schemes, current, true);
      } else {
        WriteLog("Error in PopUp Menu");
      }
    }
  }
  if (settings.SupportEAX) {
    AddSeparator(menu);
    for (size_t i = 0; i < kEaxPresets.size(); ++i) {
      AddItem(eax, kCmdEaxFirst + static_cast<UINT>(i), kEaxPresets[i].name, -1);
      if (static_cast<int>(i) == settings.EaxEnv) MarkItem(eax, static_cast<int>(i), false);
    }
    AddItem(menu, 0, "EAX", kImageEax, eax);
    if (settings.EaxEnv >= 0 && settings.EaxEnv < static_cast<int>(kEaxPresets.size())) {
      CheckMenuItem(menu, static_cast<UINT>(GetMenuItemCount(menu) - 1), MF_BYPOSITION | MF_CHECKED);
    }
  } else {
    DestroyMenu(eax);
  }
  AddSeparator(menu);
  std::string mute = settings.MuteSound ? "Enable Sound\t" : "Mute Sound\t";
  mute += HotkeyText(settings.SoundHotKey);
  AddItem(menu, kCmdMute, mute,
          settings.MuteSound ? kImageSoundOff : kImageSoundOn);
  AddItem(help, kCmdAbout, "About", -1);
  AddSeparator(help);
  AddItem(help, kCmdSendMessage, "Send Message...", -1);
  AddItem(help, kCmdWebSite, "Brisolt Web Site", -1);
  AddItem(menu, 0, "Help", kImageHelp, help);
  AddSeparator(menu);
  AddItem(menu, kCmdExit, "Exit", kImageExit);

  POINT cursor;
  GetCursorPos(&cursor);
  // The menu closes properly when the user clicks elsewhere only if the
  // owner window is in the foreground.
  SetForegroundWindow(window);
  UINT command = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, cursor.x, cursor.y, 0, window, nullptr));
  PostMessageA(window, WM_NULL, 0, 0);
  DestroyMenu(menu);  // and its submenus
  if (command) HandleMenuCommand(window, command);
}

void miSchemeClick(HMENU schemeMenu) {
  while (GetMenuItemCount(schemeMenu) > 0) DeleteMenu(schemeMenu, 0, MF_BYPOSITION);
  try {
    int current = AddSchemeItems(schemeMenu);
    AppendMenuA(schemeMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(schemeMenu, MF_STRING, kCmdCloseWindow, "Close\tAlt+X");
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
    int index = static_cast<int>(command - kCmdSchemeFirst);
    if (index < schemeList.Count()) SchemeMenuItemClick(index);
    return true;
  }
  if (command >= kCmdEaxFirst && command <= kCmdEaxLast) {
    EaxMenuItemClick(static_cast<int>(command - kCmdEaxFirst));
    return true;
  }
  switch (command) {
    case kCmdOptions: TfrmMain::ShowOptions(); return true;
    case kCmdMute: pmiMuteClick(); return true;
    case kCmdExit: PostMessageA(window, WM_CLOSE, 0, 0); return true;
    case kCmdCloseWindow: TfrmMain::actHideMainForm(); return true;
    case kCmdSelectAudioDevice: mnSelectAudioDeviceClick(); return true;
    case kCmdAbout: actShowAboutExecute(); return true;
    case kCmdSendMessage: actSendMessageExecute(); return true;
    case kCmdWebSite: actGoToWebSiteExecute(); return true;
    default:
      return false;
  }
}
