#include "datatools/dialogs/file_dialogs.h"

#include <commdlg.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <string_view>

#include "datatools/dialogs/dialog_texts.h"

namespace nubo {
namespace {

namespace texts = dialog_texts;

bool IsUsableBuffer(const wchar_t* buffer, uint64_t units) {
  return buffer != nullptr && units >= texts::kMinBufferUnits && units <= texts::kMaxBufferUnits;
}

const texts::ImageDialogFormat* FindImageFormat(const wchar_t* format) {
  for (const auto& entry : texts::kImageDialogFormats) {
    if (std::wcscmp(entry.format, format) == 0) return &entry;
  }
  return nullptr;
}

// 1 chosen; 0 cancelled; -1 when the dialog itself reported an error.
int DialogOutcome(BOOL chosen) {
  if (chosen) return 1;
  return CommDlgExtendedError() != 0 ? -1 : 0;
}

OPENFILENAMEW BaseDialog(HWND owner, wchar_t* buffer, uint64_t units, const wchar_t* filter,
                         const wchar_t* title, const wchar_t* defaultExtension, DWORD flags) {
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer;
  dialog.nMaxFile = static_cast<DWORD>(units);
  dialog.lpstrTitle = title;
  dialog.lpstrDefExt = defaultExtension;
  dialog.Flags = flags;
  return dialog;
}

}  // namespace

int ShowSaveImageDialog(HWND owner, const wchar_t* format, const wchar_t* initialName,
                        wchar_t* buffer, uint64_t bufferUnits) {
  if (format == nullptr || !IsUsableBuffer(buffer, bufferUnits)) return -1;
  const texts::ImageDialogFormat* entry = FindImageFormat(format);
  if (entry == nullptr) return -1;

  buffer[0] = L'\0';
  if (initialName != nullptr) {
    const size_t length = std::min<uint64_t>(std::wcslen(initialName), bufferUnits - 1);
    std::wmemcpy(buffer, initialName, length);
    buffer[length] = L'\0';
  }
  OPENFILENAMEW dialog =
      BaseDialog(owner, buffer, bufferUnits, entry->filter, texts::kSaveImageTitle,
                 entry->defaultExtension,
                 OFN_EXPLORER | OFN_NOREADONLYRETURN | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                     OFN_OVERWRITEPROMPT);
  return DialogOutcome(GetSaveFileNameW(&dialog));
}

int AskToReplaceFile(HWND owner, const wchar_t* path) {
  if (path == nullptr) return -1;
  const std::wstring_view full(path);
  const size_t separator = full.find_last_of(L"\\/");
  const std::wstring_view name =
      separator == std::wstring_view::npos ? full : full.substr(separator + 1);
  const std::wstring question =
      texts::kReplacePromptPrefix + std::wstring(name) + texts::kReplacePromptSuffix;
  // "No" is the default button: a stray Enter keeps the file.
  switch (MessageBoxW(owner, question.c_str(), texts::kSaveImageTitle,
                      MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2)) {
    case IDYES:
      return 1;
    case IDNO:
      return 0;
    default:
      return -1;
  }
}

int ShowDatabaseFileDialog(HWND owner, bool create, wchar_t* buffer, uint64_t bufferUnits) {
  if (!IsUsableBuffer(buffer, bufferUnits)) return -1;
  buffer[0] = L'\0';
  if (create) {
    OPENFILENAMEW dialog = BaseDialog(
        owner, buffer, bufferUnits, texts::kDatabaseFilter, texts::kNewDatabaseTitle,
        texts::kDatabaseDefaultExtension,
        OFN_EXPLORER | OFN_NOREADONLYRETURN | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
            OFN_HIDEREADONLY);
    return DialogOutcome(GetSaveFileNameW(&dialog));
  }
  OPENFILENAMEW dialog = BaseDialog(
      owner, buffer, bufferUnits, texts::kDatabaseFilter, texts::kOpenDatabaseTitle,
      texts::kDatabaseDefaultExtension,
      OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY);
  return DialogOutcome(GetOpenFileNameW(&dialog));
}

}  // namespace nubo
