// The scan's floor: lists a tree and opens, reads in 8192-byte blocks and closes each file of at most 41984 bytes.
#include <windows.h>

#include <cstdio>
#include <cstring>

static const DWORD FLOOR_SIZE_LIMIT = 41984;
static const DWORD FLOOR_BLOCK_SIZE = 8192;
static const size_t FLOOR_PATH_SIZE = 520;

static unsigned long filesListed = 0;
static unsigned long filesRead = 0;
static unsigned long long bytesRead = 0;

// The same open and read calls as the engine's checksum, without the checksum.
static void ReadWhole(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  static char block[FLOOR_BLOCK_SIZE];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got != 0) bytesRead += got;
  CloseHandle(file);
  ++filesRead;
}

static void ListDirectory(const char* directory) {
  char pattern[FLOOR_PATH_SIZE];
  char entryPath[FLOOR_PATH_SIZE];
  size_t length = strnlen(directory, FLOOR_PATH_SIZE);
  if (length + 3 > FLOOR_PATH_SIZE) return;
  // The base path ends in one backslash; the pattern adds "*".
  std::memcpy(pattern, directory, length);
  if (length == 0 || pattern[length - 1] != '\\') pattern[length++] = '\\';
  pattern[length] = '*';
  pattern[length + 1] = '\0';

  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(pattern, &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (entry.cFileName[0] == '.') continue;
    size_t nameLength = strnlen(entry.cFileName, MAX_PATH);
    if (length + nameLength + 1 > FLOOR_PATH_SIZE) continue;
    std::memcpy(entryPath, pattern, length);
    std::memcpy(entryPath + length, entry.cFileName, nameLength + 1);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListDirectory(entryPath);
    } else {
      ++filesListed;
      if (entry.nFileSizeLow <= FLOOR_SIZE_LIMIT) ReadWhole(entryPath);
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

// floor [/window] [ROOT]: /window first shows a plain window, since under Wine a process with a visible window pays
// more for every file call; that is the floor of the windowed program.
int main(int argc, char** argv) {
  int next = 1;
  HWND window = nullptr;
  if (argc > next && std::strcmp(argv[next], "/window") == 0) {
    window = CreateWindowA("STATIC", "Purgewell floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 120, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) return 1;
    ++next;
  }
  const char* root = argc > next ? argv[next] : "D:\\";
  ListDirectory(root);
  if (window != nullptr) DestroyWindow(window);
  std::printf("floor: %lu files listed, %lu read, %llu bytes\n", filesListed, filesRead, bytesRead);
  return 0;
}
