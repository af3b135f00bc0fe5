#include "ui/icons.h"

ScopedIcon LoadProgramIcon(int index, int size) {
  if (index < 0 || index >= kIconCount) return ScopedIcon();
  return ScopedIcon(static_cast<HICON>(LoadImageA(GetModuleHandleW(nullptr), kIconNames[static_cast<size_t>(index)],
                                                  IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

HICON SmallIcon(int index) {
  static std::array<ScopedIcon, kIconCount> icons;
  if (index < 0 || index >= kIconCount) return nullptr;
  ScopedIcon& icon = icons[static_cast<size_t>(index)];
  if (!icon) icon = LoadProgramIcon(index, GetSystemMetrics(SM_CXSMICON));
  return icon.get();
}

ScopedImageList IconListAtDpi(int dpi) {
  int size = GetSystemMetricsForDpi(SM_CXSMICON, static_cast<UINT>(dpi));
  ScopedImageList images(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, kIconCount, 0));
  for (int i = 0; i < kIconCount; ++i) ImageList_AddIcon(images.get(), LoadProgramIcon(i, size).get());
  return images;
}
