// The scan's floor: lists a tree and opens, reads in 8192-byte blocks and closes each file of at most 41984 bytes,
// through the ANSI calls or (/wide) the wide calls on \\?\ paths, as the engine does.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

static const DWORD FLOOR_SIZE_LIMIT = 41984;
static const DWORD FLOOR_BLOCK_SIZE = 8192;
static const size_t FLOOR_PATH_SIZE = 520;

static unsigned long filesListed = 0;
static unsigned long filesRead = 0;
static unsigned long long bytesRead = 0;

// The calls of each family under one name, so that one walk serves both.
static HANDLE FindFirst(const char* pattern, WIN32_FIND_DATAA* entry) { return FindFirstFileA(pattern, entry); }
static HANDLE FindFirst(const wchar_t* pattern, WIN32_FIND_DATAW* entry) { return FindFirstFileW(pattern, entry); }
static BOOL FindNext(HANDLE find, WIN32_FIND_DATAA* entry) { return FindNextFileA(find, entry); }
static BOOL FindNext(HANDLE find, WIN32_FIND_DATAW* entry) { return FindNextFileW(find, entry); }
static HANDLE OpenForReading(const char* path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}
static HANDLE OpenForReading(const wchar_t* path) {
  return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}
static size_t Length(const char* text) { return strnlen(text, FLOOR_PATH_SIZE); }
static size_t Length(const wchar_t* text) { return wcsnlen(text, FLOOR_PATH_SIZE); }

// The same open and read calls as the engine's checksum, without the checksum.
template <typename Char>
static void ReadWhole(const Char* path) {
  HANDLE file = OpenForReading(path);
  if (file == INVALID_HANDLE_VALUE) return;
  static char block[FLOOR_BLOCK_SIZE];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got != 0) bytesRead += got;
  CloseHandle(file);
  ++filesRead;
}

template <typename Char, typename FindData>
static void ListDirectory(const Char* directory) {
  Char pattern[FLOOR_PATH_SIZE];
  Char entryPath[FLOOR_PATH_SIZE];
  size_t length = Length(directory);
  if (length + 3 > FLOOR_PATH_SIZE) return;
  // The base path ends in one backslash; the pattern adds "*".
  std::memcpy(pattern, directory, length * sizeof(Char));
  if (length == 0 || pattern[length - 1] != '\\') pattern[length++] = '\\';
  pattern[length] = '*';
  pattern[length + 1] = '\0';

  FindData entry;
  HANDLE find = FindFirst(pattern, &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (entry.cFileName[0] == '.') continue;
    size_t nameLength = Length(entry.cFileName);
    if (length + nameLength + 1 > FLOOR_PATH_SIZE) continue;
    std::memcpy(entryPath, pattern, length * sizeof(Char));
    std::memcpy(entryPath + length, entry.cFileName, (nameLength + 1) * sizeof(Char));
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListDirectory<Char, FindData>(entryPath);
    } else {
      ++filesListed;
      if (entry.nFileSizeLow <= FLOOR_SIZE_LIMIT) ReadWhole(entryPath);
    }
  } while (FindNext(find, &entry));
  FindClose(find);
}

// The \\?\ form of an ASCII root, walked through the wide calls.
static void ListRootWide(const char* root) {
  wchar_t path[FLOOR_PATH_SIZE] = L"\\\\?\\";
  size_t length = std::strlen(root);
  if (length + 5 > FLOOR_PATH_SIZE) return;
  for (size_t i = 0; i <= length; ++i) path[4 + i] = static_cast<wchar_t>(root[i]);
  ListDirectory<wchar_t, WIN32_FIND_DATAW>(path);
}

// floor [/window | /wide] [ROOT]: /window first shows a plain window, since under Wine a process with a visible window
// pays more for every file call; that is the floor of the windowed program. /wide walks with the wide calls.
int main(int argc, char** argv) {
  int next = 1;
  HWND window = nullptr;
  if (argc > next && std::strcmp(argv[next], "/window") == 0) {
    window = CreateWindowA("STATIC", "Purgewell floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 120, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) return 1;
    ++next;
  }
  bool wide = argc > next && std::strcmp(argv[next], "/wide") == 0;
  if (wide) ++next;
  const char* root = argc > next ? argv[next] : "D:\\";
  if (wide) {
    ListRootWide(root);
  } else {
    ListDirectory<char, WIN32_FIND_DATAA>(root);
  }
  if (window != nullptr) DestroyWindow(window);
  std::printf("floor: %lu files listed, %lu read, %llu bytes\n", filesListed, filesRead, bytesRead);
  return 0;
}
