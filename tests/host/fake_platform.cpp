// The scripted stand-in for engine/platform_win32.cpp, linked into the host tests.
#include "fake_platform.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <set>
#include <map>
#include <mutex>
#include <thread>

#include "scan_events.h"

namespace {

struct Node {
  std::string name;
  bool directory = false;
  std::string linkTarget;  // key of the directory a link leads to
  uint32_t attributes = 0;
  std::string contents;
  std::vector<std::string> children;  // keys, in the order they were added
  uint32_t id = 0;
  bool device = false;   // opens as something other than a plain disk file
  uint32_t volume = 0;   // 0: the drive letter's
  uint32_t writeTime = 0;
  uint32_t links = 1;       // names of the file (hard links)
  uint32_t changeTime = 0;  // 0: the same as its id
  std::string owner;        // DOMAIN\NAME; "" when the file has none
};

struct Rule {
  std::string operation;
  std::string argument;
  int nth;
  int seen;
  bool stop;
};

struct Process {
  uint32_t processId;
  std::string exeFile;
  std::string imagePath;
  bool running;
};

struct RunValue {
  std::string name;
  uint32_t type;
  std::string data;
};

struct FindState {
  std::vector<PlatformFindData> entries;
  size_t next;
};

struct FileState {
  std::string key;  // reads follow the file's contents as they change
  size_t position;
  std::string path;
  bool deleteMarked = false;  // the name goes when the handle is closed
  bool firstReadDone = false;
};

struct Growth {
  std::string path;
  int nth;
  int seen;
  std::string bytes;
};

struct SnapshotState {
  std::vector<Process> processes;
  size_t next;
};

struct ProcessHandle {
  uint32_t processId;
};

std::recursive_mutex fakeLock;
std::map<std::string, Node> tree;
std::vector<std::string> driveRoots;  // as given, like "C:\\"
std::map<std::string, uint32_t> driveTypes;
std::string windowsDirectory;
std::vector<Process> processes;
std::vector<uint32_t> terminated;
std::vector<RunValue> runValues[2];  // by view
bool wow64 = false;
thread_local bool redirectionOff = false;
char wasOffToken;  // what Platform_RedirectionOff gives back when the redirector was already off
std::vector<Rule> rules;
std::map<std::string, int> callCounts;
int openHandles = 0;
std::vector<Growth> growths;
bool anyLinks = false;
uint32_t nextId = 1;
uint32_t runKeyViews[2] = {PLATFORM_RUN_KEY_NATIVE, PLATFORM_RUN_KEY_32BIT};  // the keys' handles
bool filteredAdministrator = false;
std::vector<std::pair<std::string, std::function<void()>>> beforeCalls;
bool renameByOpenPath = false;
uint32_t cpuCount = 1;
// Scrambled reads: the tickets of the first reads now held, and whether they are being let go, newest first.
bool scrambleReads = false;
std::condition_variable_any readGate;
std::set<uint64_t> heldReads;
uint64_t nextReadTicket = 0;
bool releasingReads = false;
std::vector<std::string> readOrder;
const size_t SCRAMBLE_GROUP = 3;
// A cut: from the cutAt-th call on (counted in allCalls), every call fails and changes nothing.
int allCalls = 0;
int cutAt = 0;
bool cutClosesHandles = false;  // a killed process: the system closes its handles, and marked files go
uint32_t lastError = 0;
uint32_t fakeTicks = 0;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\' || c == '/') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// Key of the node a path names, following links (the last one only when followLast); "" when there is none.
std::string Resolve(const std::string& path, bool followLast = true) {
  std::vector<std::string> parts = Split(path);
  if (parts.empty()) return "";
  // Without links a key is the path itself: deep trees stay quick to walk.
  if (!anyLinks) {
    std::string key = Lower(parts[0]);
    for (size_t i = 1; i < parts.size(); ++i) key += "\\" + Lower(parts[i]);
    return tree.count(key) ? key : "";
  }
  std::string key = Lower(parts[0]);
  if (!tree.count(key)) return "";
  // A drive root may itself be a link (a substituted drive).
  if ((parts.size() > 1 || followLast) && !tree[key].linkTarget.empty()) key = tree[key].linkTarget;
  for (size_t i = 1; i < parts.size(); ++i) {
    key += "\\" + Lower(parts[i]);
    if (!tree.count(key)) return "";
    bool last = i + 1 == parts.size();
    int hops = 0;
    while ((!last || followLast) && !tree[key].linkTarget.empty() && hops++ < 64) key = tree[key].linkTarget;
  }
  return key;
}

Node& MakeNode(const std::string& path, bool directory) {
  std::vector<std::string> parts = Split(path);
  std::string key = Lower(parts[0]);
  if (!tree.count(key)) {
    Node root;
    root.name = parts[0];
    root.directory = true;
    root.attributes = PLATFORM_ATTR_DIRECTORY;
    root.id = nextId++;
    tree[key] = root;
  }
  for (size_t i = 1; i < parts.size(); ++i) {
    std::string parentKey = key;
    if (!tree[parentKey].linkTarget.empty()) parentKey = tree[parentKey].linkTarget;
    std::string childKey = parentKey + "\\" + Lower(parts[i]);
    if (!tree.count(childKey)) {
      Node node;
      node.name = parts[i];
      node.directory = (i + 1 < parts.size()) || directory;
      node.attributes = node.directory ? PLATFORM_ATTR_DIRECTORY : PLATFORM_ATTR_ARCHIVE;
      node.id = nextId++;
      node.writeTime = node.id;
      tree[childKey] = node;
      tree[parentKey].children.push_back(childKey);
    }
    key = childKey;
  }
  return tree[key];
}

// Counts the call and applies its rules; true when the call is to fail.
bool Call(const std::string& operation, const std::string& argument) {
  callCounts[operation] += 1;
  int thisCall = ++allCalls;
  // Each action runs once, after it is taken off the list: it may itself make calls or add actions.
  std::vector<std::function<void()>> due;
  for (auto& before : beforeCalls) {
    if (before.first == operation && before.second) due.push_back(std::move(before.second));
    if (before.first == operation) before.second = nullptr;
  }
  for (auto& action : due) action();
  if (cutAt != 0 && thisCall >= cutAt) {
    lastError = 21;  // ERROR_NOT_READY: the machine is gone
    return true;
  }
  lastError = 2;  // what a call that fails on its own says: ERROR_FILE_NOT_FOUND
  bool fail = false;
  for (Rule& rule : rules) {
    if (rule.operation != operation) continue;
    if (!rule.argument.empty() && Lower(rule.argument) != Lower(argument)) continue;
    rule.seen += 1;
    if (rule.nth != 0 && rule.seen != rule.nth) continue;
    if (rule.stop) {
      ScanControl_RequestStop();
    } else {
      fail = true;
      lastError = 5;  // ERROR_ACCESS_DENIED
    }
  }
  return fail;
}

// The path a Platform_ file call reaches: on 64-bit Windows, while the calling thread's redirector is on,
// System32 of the Windows directory is SysWOW64.
std::string Seen(const std::string& path) {
  std::string system32 = windowsDirectory + "\\System32";
  if (!wow64 || redirectionOff || path.size() < system32.size()) return path;
  if (Lower(path.substr(0, system32.size())) != Lower(system32)) return path;
  if (path.size() > system32.size() && path[system32.size()] != '\\') return path;
  return windowsDirectory + "\\SysWOW64" + path.substr(system32.size());
}

void FillEntry(const Node& node, const std::string& name, PlatformFindData* entry) {
  entry->attributes = node.attributes;
  if (!node.linkTarget.empty()) entry->attributes |= PLATFORM_ATTR_DIRECTORY | PLATFORM_ATTR_REPARSE_POINT;
  entry->sizeLow = static_cast<uint32_t>(node.contents.size());
  entry->sizeHigh = 0;
  std::memset(entry->name, 0, sizeof entry->name);
  std::strncpy(entry->name, name.c_str(), sizeof entry->name - 1);
}

// A node's volume: its own or its nearest ancestor's (a mounted folder), else its drive letter's.
uint32_t VolumeOf(std::string key) {
  for (;;) {
    if (tree.count(key) && tree[key].volume != 0) return tree[key].volume;
    size_t cut = key.rfind('\\');
    if (cut == std::string::npos) return static_cast<uint32_t>(key[0]);
    key = key.substr(0, cut);
  }
}

}  // namespace

void Fake_Reset() {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  tree.clear();
  driveRoots.clear();
  driveTypes.clear();
  windowsDirectory = "C:\\WINDOWS";
  processes.clear();
  terminated.clear();
  runValues[0].clear();
  runValues[1].clear();
  wow64 = false;
  redirectionOff = false;
  rules.clear();
  callCounts.clear();
  openHandles = 0;
  nextId = 1;
  filteredAdministrator = false;
  growths.clear();
  anyLinks = false;
  beforeCalls.clear();
  renameByOpenPath = false;
  cpuCount = 1;
  scrambleReads = false;
  heldReads.clear();
  releasingReads = false;
  readOrder.clear();
  allCalls = 0;
  cutAt = 0;
  lastError = 0;
  fakeTicks = 0;
}

void Fake_AddDrive(const std::string& root, uint32_t type) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  driveRoots.push_back(root);
  driveTypes[Lower(Split(root)[0])] = type;
  MakeNode(root, true);
}

void Fake_AddDirectory(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  MakeNode(path, true);
}

void Fake_AddFile(const std::string& path, const std::string& contents, uint32_t attributes) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  Node& node = MakeNode(path, false);
  node.contents = contents;
  node.attributes = attributes;
}

void Fake_AddFileOfSize(const std::string& path, uint32_t size, uint32_t attributes) {
  Fake_AddFile(path, std::string(size, 'v'), attributes);
}

void Fake_ListAs(const std::string& path, const std::string& name) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  tree[Resolve(path)].name = name;
}

void Fake_AddLink(const std::string& path, const std::string& target) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  std::string targetKey = Resolve(target);
  Node& node = MakeNode(path, true);
  node.linkTarget = targetKey;
  anyLinks = true;
}

void Fake_AddDevice(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  MakeNode(path, false).device = true;
}

void Fake_SetVolume(const std::string& path, uint32_t volume) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  std::string key = Resolve(path);
  if (!key.empty()) tree[key].volume = volume;
}

void Fake_GrowOnRead(const std::string& path, int nth, const std::string& bytes) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  growths.push_back({path, nth, 0, bytes});
}

static void RemoveKey(const std::string& key) {
  for (auto& item : tree) {
    auto& children = item.second.children;
    children.erase(std::remove(children.begin(), children.end(), key), children.end());
  }
  tree.erase(key);
}

void Fake_RemoveFile(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  std::string key = Resolve(path, false);
  if (!key.empty()) RemoveKey(key);
}

void Fake_SetAttributes(const std::string& path, uint32_t attributes) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  std::string key = Resolve(path, false);
  if (!key.empty()) tree[key].attributes = attributes;
}

void Fake_Touch(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  std::string key = Resolve(path);
  if (!key.empty()) tree[key].writeTime = nextId++;
}

void Fake_SetLinks(const std::string& path, uint32_t links) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  std::string key = Resolve(path);
  if (key.empty()) return;
  tree[key].links = links;
  tree[key].changeTime = nextId++;  // a name added or removed changes the file's change time
}

bool Fake_FileExists(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  return !Resolve(path).empty();
}

uint32_t Fake_Attributes(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  std::string key = Resolve(path);
  return key.empty() ? 0xFFFFFFFFu : tree[key].attributes;
}

std::string Fake_Contents(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  std::string key = Resolve(path);
  return key.empty() ? std::string() : tree[key].contents;
}

void Fake_SetWindowsDirectory(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  windowsDirectory = path;
}

void Fake_AddProcess(uint32_t processId, const std::string& exeFile, const std::string& imagePath) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  processes.push_back({processId, exeFile, imagePath, true});
}

std::vector<uint32_t> Fake_TerminatedProcesses() {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  return terminated;
}

bool Fake_ProcessRunning(uint32_t processId) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  for (const Process& process : processes) {
    if (process.processId == processId) return process.running;
  }
  return false;
}

void Fake_SetWow64(bool on) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  wow64 = on;
}

bool Fake_RedirectionOffOnThisThread() { return redirectionOff; }

void Fake_AddRunValue(const std::string& name, uint32_t type, const std::string& data, uint32_t view) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  runValues[view].push_back({name, type, data});
}

void Fake_AddRunString(const std::string& name, const std::string& data, uint32_t view) {
  Fake_AddRunValue(name, PLATFORM_REG_SZ, data + std::string(1, '\0'), view);
}

std::vector<std::string> Fake_RunValueNames(uint32_t view) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  std::vector<std::string> names;
  for (const RunValue& value : runValues[view]) names.push_back(value.name);
  return names;
}

void Fake_Fail(const std::string& operation, const std::string& argument, int nth) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  rules.push_back({operation, argument, nth, 0, false});
}

void Fake_StopAt(const std::string& operation, const std::string& argument, int nth) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  rules.push_back({operation, argument, nth, 0, true});
}

int Fake_CallCount(const std::string& operation) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  return callCounts[operation];
}

void Fake_BeforeCall(const std::string& operation, std::function<void()> action) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  beforeCalls.emplace_back(operation, std::move(action));
}

void Fake_RenameByOpenPath(bool on) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  renameByOpenPath = on;
}

void Fake_CutAt(int call, bool closesHandles) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  cutAt = call;
  cutClosesHandles = closesHandles;
}

int Fake_CallsMade() {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  return allCalls;
}

void Fake_Restart() {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  cutAt = 0;
  allCalls = 0;
  rules.clear();
  beforeCalls.clear();
}

std::vector<std::string> Fake_ListFolder(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  std::vector<std::string> names;
  std::string key = Resolve(path);
  if (key.empty()) return names;
  for (const std::string& child : tree[key].children) names.push_back(tree[child].name);
  std::sort(names.begin(), names.end());
  return names;
}

int Fake_OpenHandles() {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  return openHandles;
}

// --- The platform operations ---

bool Platform_FindFirst(const char* pattern, PlatformHandle* find, PlatformFindData* entry) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("FindFirst", pattern)) return false;
  std::string text = pattern;
  if (text.size() < 2 || text.substr(text.size() - 2) != "\\*") return false;
  std::string key = Resolve(Seen(text.substr(0, text.size() - 2)));
  if (key.empty() || !tree[key].directory) return false;
  FindState* state = new FindState{{}, 0};
  PlatformFindData item;
  if (key.find('\\') != std::string::npos) {
    Node dot;
    dot.attributes = PLATFORM_ATTR_DIRECTORY;
    FillEntry(dot, ".", &item);
    state->entries.push_back(item);
    FillEntry(dot, "..", &item);
    state->entries.push_back(item);
  }
  for (const std::string& child : tree[key].children) {
    FillEntry(tree[child], tree[child].name, &item);
    state->entries.push_back(item);
  }
  if (state->entries.empty()) {
    delete state;
    return false;
  }
  *entry = state->entries[0];
  state->next = 1;
  *find = state;
  openHandles += 1;
  return true;
}

bool Platform_FindNext(PlatformHandle find, PlatformFindData* entry) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  FindState* state = static_cast<FindState*>(find);
  std::string next = state->next < state->entries.size() ? state->entries[state->next].name : "";
  if (Call("FindNext", next)) return false;
  if (state->next >= state->entries.size()) return false;
  *entry = state->entries[state->next++];
  return true;
}

void Platform_FindClose(PlatformHandle find) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  Call("FindClose", "");
  delete static_cast<FindState*>(find);
  openHandles -= 1;
}

bool Platform_GetDirectoryId(const char* path, PlatformDirectoryId* id) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("GetDirectoryId", path)) return false;
  std::string key = Resolve(Seen(path));
  if (key.empty() || !tree[key].directory) return false;
  id->volume = VolumeOf(key);
  id->indexHigh = 0;
  id->indexLow = tree[key].id;
  return true;
}

bool Platform_OpenForChecksum(const char* path, PlatformHandle* file) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("OpenForChecksum", path)) return false;
  std::string key = Resolve(Seen(path));
  if (key.empty() || tree[key].directory) return false;
  *file = new FileState{key, 0, path};
  openHandles += 1;
  return true;
}

// The node behind an open file, once the call is counted; null when the call is to fail or the file is gone.
static Node* OpenNode(const char* operation, PlatformHandle file) {
  FileState* state = static_cast<FileState*>(file);
  if (Call(operation, state->path)) return nullptr;
  auto found = tree.find(state->key);
  return found == tree.end() ? nullptr : &found->second;
}

bool Platform_GetOpenFileInfo(PlatformHandle file, PlatformFileInfo* info) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  const Node* found = OpenNode("GetOpenFileInfo", file);
  if (found == nullptr) return false;
  const Node& node = *found;
  info->diskFile = !node.device;
  info->sizeLow = static_cast<uint32_t>(node.contents.size());
  info->sizeHigh = 0;
  return true;
}

// A first read waits (the lock let go) until it is the newest of a group of held reads, or of those left when no
// other read has come for a while.
static void HoldFirstRead(std::unique_lock<std::recursive_mutex>& hold, FileState* state) {
  if (state->firstReadDone) return;
  state->firstReadDone = true;
  if (scrambleReads) {
    uint64_t ticket = nextReadTicket++;
    heldReads.insert(ticket);
    readGate.notify_all();
    for (;;) {
      if (heldReads.size() >= SCRAMBLE_GROUP && !releasingReads) {
        releasingReads = true;
        readGate.notify_all();
      }
      if (releasingReads && *heldReads.rbegin() == ticket) break;
      bool quiet = readGate.wait_for(hold, std::chrono::milliseconds(30)) == std::cv_status::timeout;
      if (quiet && !releasingReads) {
        releasingReads = true;
        readGate.notify_all();
      }
    }
    heldReads.erase(ticket);
    if (heldReads.empty()) releasingReads = false;
    readGate.notify_all();
  }
  readOrder.push_back(state->path);
}

bool Platform_ReadFile(PlatformHandle file, void* buffer, uint32_t size, uint32_t* bytesRead) {
  std::unique_lock<std::recursive_mutex> hold(fakeLock);
  FileState* state = static_cast<FileState*>(file);
  HoldFirstRead(hold, state);
  *bytesRead = 0;
  if (Call("ReadFile", state->path)) return false;
  auto found = tree.find(state->key);
  if (found == tree.end()) return false;
  std::string& contents = found->second.contents;
  for (Growth& growth : growths) {
    if (Lower(growth.path) == Lower(state->path) && ++growth.seen == growth.nth) contents += growth.bytes;
  }
  size_t count = state->position < contents.size() ? std::min<size_t>(size, contents.size() - state->position) : 0;
  std::memcpy(buffer, contents.data() + state->position, count);
  state->position += count;
  *bytesRead = static_cast<uint32_t>(count);
  return true;
}

void Platform_CloseFile(PlatformHandle file) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  FileState* state = static_cast<FileState*>(file);
  // A failing close deletes nothing, as Wine's when a folder of the path was swapped while the handle was open.
  bool closeFails = Call("CloseFile", state->path);
  bool closedByTheSystem = cutAt != 0 && allCalls >= cutAt && cutClosesHandles;
  if (state->deleteMarked && (!closeFails || closedByTheSystem) && tree.count(state->key)) RemoveKey(state->key);
  delete state;
  openHandles -= 1;
}

uint32_t Platform_GetWindowsDirectory(char* buffer, uint32_t size) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("GetWindowsDirectory", "")) return 0;
  if (windowsDirectory.size() + 1 > size) return static_cast<uint32_t>(windowsDirectory.size() + 1);
  std::memcpy(buffer, windowsDirectory.c_str(), windowsDirectory.size() + 1);
  return static_cast<uint32_t>(windowsDirectory.size());
}

uint32_t Platform_GetLogicalDriveStrings(uint32_t size, char* buffer) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("GetLogicalDriveStrings", "")) return 0;
  std::string list;
  for (const std::string& root : driveRoots) list += root + std::string(1, '\0');
  if (list.size() + 1 > size) return static_cast<uint32_t>(list.size() + 1);
  std::memcpy(buffer, list.data(), list.size());
  buffer[list.size()] = '\0';
  return static_cast<uint32_t>(list.size());
}

uint32_t Platform_GetDriveType(const char* root) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("GetDriveType", root)) return PLATFORM_DRIVE_UNKNOWN;
  std::vector<std::string> parts = Split(root);
  if (parts.empty()) return PLATFORM_DRIVE_NO_ROOT;
  auto found = driveTypes.find(Lower(parts[0]));
  return found == driveTypes.end() ? PLATFORM_DRIVE_NO_ROOT : found->second;
}

static void FillProcess(const Process& process, PlatformProcessEntry* entry) {
  entry->processId = process.processId;
  std::memset(entry->exeFile, 0, sizeof entry->exeFile);
  std::strncpy(entry->exeFile, process.exeFile.c_str(), sizeof entry->exeFile - 1);
}

bool Platform_SnapshotProcesses(PlatformHandle* snapshot) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("SnapshotProcesses", "")) return false;
  SnapshotState* state = new SnapshotState{{}, 0};
  for (const Process& process : processes) {
    if (process.running) state->processes.push_back(process);
  }
  *snapshot = state;
  openHandles += 1;
  return true;
}

static bool SnapshotStep(const char* operation, PlatformHandle snapshot, PlatformProcessEntry* entry) {
  SnapshotState* state = static_cast<SnapshotState*>(snapshot);
  if (Call(operation, std::to_string(state->next))) return false;
  if (state->next >= state->processes.size()) return false;
  FillProcess(state->processes[state->next++], entry);
  return true;
}

bool Platform_FirstProcess(PlatformHandle snapshot, PlatformProcessEntry* entry) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  static_cast<SnapshotState*>(snapshot)->next = 0;
  return SnapshotStep("FirstProcess", snapshot, entry);
}

bool Platform_NextProcess(PlatformHandle snapshot, PlatformProcessEntry* entry) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  return SnapshotStep("NextProcess", snapshot, entry);
}

void Platform_CloseSnapshot(PlatformHandle snapshot) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  Call("CloseSnapshot", "");
  delete static_cast<SnapshotState*>(snapshot);
  openHandles -= 1;
}

bool Platform_OpenProcess(uint32_t processId, PlatformHandle* process) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("OpenProcess", std::to_string(processId))) return false;
  *process = new ProcessHandle{processId};
  openHandles += 1;
  return true;
}

static Process* FindProcess(uint32_t processId) {
  for (Process& process : processes) {
    if (process.processId == processId) return &process;
  }
  return nullptr;
}

bool Platform_GetProcessImagePath(PlatformHandle process, char* path, uint32_t size) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  uint32_t processId = static_cast<ProcessHandle*>(process)->processId;
  if (Call("GetProcessImagePath", std::to_string(processId))) return false;
  Process* found = FindProcess(processId);
  if (found == nullptr || found->imagePath.empty() || found->imagePath.size() + 1 > size) return false;
  std::memcpy(path, found->imagePath.c_str(), found->imagePath.size() + 1);
  return true;
}

bool Platform_TerminateProcess(PlatformHandle process) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  uint32_t processId = static_cast<ProcessHandle*>(process)->processId;
  if (Call("TerminateProcess", std::to_string(processId))) return false;
  Process* found = FindProcess(processId);
  if (found == nullptr || !found->running) return false;
  found->running = false;
  terminated.push_back(processId);
  return true;
}

void Platform_CloseProcess(PlatformHandle process) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  Call("CloseProcess", std::to_string(static_cast<ProcessHandle*>(process)->processId));
  delete static_cast<ProcessHandle*>(process);
  openHandles -= 1;
}

bool Platform_OpenRunKey(uint32_t view, PlatformHandle* key) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("OpenRunKey", view == PLATFORM_RUN_KEY_32BIT ? "32-bit" : "native")) return false;
  if (view == PLATFORM_RUN_KEY_32BIT && !wow64) return false;
  *key = &runKeyViews[view];
  openHandles += 1;
  return true;
}

static std::vector<RunValue>& KeyValues(PlatformHandle key) { return runValues[*static_cast<uint32_t*>(key)]; }

int32_t Platform_EnumValue(PlatformHandle key, uint32_t index, char* name, uint32_t* nameLength, uint32_t* type,
                           uint8_t* data, uint32_t* dataSize) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("EnumValue", std::to_string(index))) return 5;  // access denied
  const std::vector<RunValue>& values = KeyValues(key);
  if (index >= values.size()) return PLATFORM_ERROR_NO_MORE_ITEMS;
  const RunValue& value = values[index];
  if (value.name.size() + 1 > *nameLength || value.data.size() > *dataSize) return PLATFORM_ERROR_MORE_DATA;
  std::memcpy(name, value.name.c_str(), value.name.size() + 1);
  *nameLength = static_cast<uint32_t>(value.name.size());
  *type = value.type;
  std::memcpy(data, value.data.data(), value.data.size());
  *dataSize = static_cast<uint32_t>(value.data.size());
  return PLATFORM_ERROR_SUCCESS;
}

bool Platform_DeleteValue(PlatformHandle key, const char* name) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("DeleteValue", name)) return false;
  std::vector<RunValue>& values = KeyValues(key);
  for (size_t i = 0; i < values.size(); ++i) {
    if (Lower(values[i].name) == Lower(name)) {
      values.erase(values.begin() + static_cast<long>(i));
      return true;
    }
  }
  return false;
}

void Platform_CloseKey(PlatformHandle) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  Call("CloseKey", "");
  openHandles -= 1;
}

void Platform_RemoveArgs(char* path) {
  // As the shell does: the arguments start at the first space outside quotes; trailing spaces go too.
  bool quoted = false;
  char* cut = nullptr;
  for (char* c = path; *c != '\0'; ++c) {
    if (*c == '"') quoted = !quoted;
    if (*c == ' ' && !quoted) {
      cut = c;
      break;
    }
  }
  if (cut == nullptr) return;
  *cut = '\0';
  while (cut > path && cut[-1] == ' ') *--cut = '\0';
}

bool Platform_RedirectionOff(PlatformHandle* previous) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("RedirectionOff", "") || !wow64) return false;
  *previous = redirectionOff ? &wasOffToken : nullptr;
  redirectionOff = true;
  return true;
}

void Platform_RedirectionRestore(PlatformHandle previous) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  Call("RedirectionRestore", "");
  redirectionOff = previous != nullptr;
}

bool Platform_FileExists(const char* path) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("FileExists", path)) return false;
  return !Resolve(Seen(path)).empty();
}

// A link's own attributes: the call does not follow the last part of the path.
static uint32_t OwnAttributes(const Node& node) {
  if (node.linkTarget.empty()) return node.attributes;
  return node.attributes | PLATFORM_ATTR_DIRECTORY | PLATFORM_ATTR_REPARSE_POINT;
}

uint32_t Platform_GetAttributes(const char* path) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("GetAttributes", path)) return PLATFORM_ATTR_INVALID;
  std::string key = Resolve(Seen(path), false);
  return key.empty() ? PLATFORM_ATTR_INVALID : OwnAttributes(tree[key]);
}

// Opens the last part of the path itself, never a link's target; directories only when allowed.
static bool OpenOwn(const char* operation, const char* path, bool directories, PlatformHandle* file) {
  if (Call(operation, path)) return false;
  std::string key = Resolve(Seen(path), false);
  if (key.empty() || (!directories && tree[key].directory)) return false;
  *file = new FileState{key, 0, path};
  openHandles += 1;
  return true;
}

bool Platform_OpenForIdentity(const char* path, PlatformHandle* file) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  return OpenOwn("OpenForIdentity", path, true, file);
}

bool Platform_OpenForDelete(const char* path, PlatformHandle* file) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  return OpenOwn("OpenForDelete", path, false, file);
}

bool Platform_GetFileIdentity(PlatformHandle file, PlatformFileIdentity* identity) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  const Node* found = OpenNode("GetFileIdentity", file);
  if (found == nullptr) return false;
  const Node& node = *found;
  identity->volume = VolumeOf(static_cast<FileState*>(file)->key);
  identity->indexHigh = 0;
  identity->indexLow = node.id;
  identity->sizeLow = static_cast<uint32_t>(node.contents.size());
  identity->sizeHigh = 0;
  identity->writeTimeLow = node.writeTime;
  identity->writeTimeHigh = 0;
  identity->changeTimeLow = node.changeTime != 0 ? node.changeTime : node.id;
  identity->changeTimeHigh = 0;
  identity->attributes = OwnAttributes(node);
  identity->links = node.links;
  identity->diskFile = !node.device;
  return true;
}

bool Platform_SetOpenFileAttributes(PlatformHandle file, uint32_t attributes) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  Node* found = OpenNode("SetOpenFileAttributes", file);
  if (found == nullptr) return false;
  found->attributes = attributes;
  return true;
}

// As on Windows, a read-only file refuses the mark.
bool Platform_DeleteOpenFile(PlatformHandle file) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  const Node* found = OpenNode("DeleteOpenFile", file);
  if (found == nullptr || (found->attributes & PLATFORM_ATTR_READONLY)) return false;
  static_cast<FileState*>(file)->deleteMarked = true;
  return true;
}

// The parent directory's key and the last name of a path; false when the parent does not exist.
static bool ParentAndName(const std::string& path, std::string* parentKey, std::string* name) {
  size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos || cut + 1 == path.size()) return false;
  std::string parentPath = path.substr(0, cut);
  if (parentPath.size() == 2 && parentPath[1] == ':') parentPath += '\\';
  *parentKey = Resolve(Seen(parentPath));
  *name = path.substr(cut + 1);
  return !parentKey->empty() && tree[*parentKey].directory;
}

uint32_t Platform_RenameOpenFile(PlatformHandle file, const char* newPath) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  FileState* state = static_cast<FileState*>(file);
  if (Call("RenameOpenFile", state->path)) return PLATFORM_RENAME_FAILED;
  std::string key = renameByOpenPath ? Resolve(Seen(state->path), false) : state->key;
  std::string parentKey, name;
  if (key.empty() || !tree.count(key) || !ParentAndName(newPath, &parentKey, &name)) return PLATFORM_RENAME_FAILED;
  std::string newKey = parentKey + "\\" + Lower(name);
  if (tree.count(newKey)) return PLATFORM_RENAME_FAILED;
  if (VolumeOf(parentKey) != VolumeOf(key)) return PLATFORM_RENAME_OTHER_VOLUME;
  Node node = tree[key];
  node.name = name;
  RemoveKey(key);
  tree[newKey] = node;
  tree[parentKey].children.push_back(newKey);
  if (state->key == key) state->key = newKey;
  return PLATFORM_RENAME_DONE;
}

bool Platform_CreateNewFile(const char* path, PlatformHandle* file) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("CreateNewFile", path)) return false;
  std::string parentKey, name;
  if (!ParentAndName(path, &parentKey, &name) || tree.count(parentKey + "\\" + Lower(name))) return false;
  std::string key = parentKey + "\\" + Lower(name);
  Node node;
  node.name = name;
  node.attributes = PLATFORM_ATTR_ARCHIVE;
  node.id = nextId++;
  node.writeTime = node.id;
  tree[key] = node;
  tree[parentKey].children.push_back(key);
  *file = new FileState{key, 0, path};
  openHandles += 1;
  return true;
}

bool Platform_WriteFile(PlatformHandle file, const void* buffer, uint32_t size) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  Node* found = OpenNode("WriteFile", file);
  if (found == nullptr) return false;
  found->contents.append(static_cast<const char*>(buffer), size);
  return true;
}

bool Platform_FlushFile(PlatformHandle file) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  return OpenNode("FlushFile", file) != nullptr;
}

PlatformHandle Platform_StartThread(PlatformThreadBody body, void* argument) {
  {
    std::lock_guard<std::recursive_mutex> hold(fakeLock);
    if (Call("StartThread", "")) return nullptr;
  }
  return new std::thread([body, argument] { body(argument); });
}

void Platform_WaitThread(PlatformHandle thread) {
  std::thread* running = static_cast<std::thread*>(thread);
  if (running->joinable()) running->join();
}

void Platform_CloseThread(PlatformHandle thread) {
  Platform_WaitThread(thread);
  delete static_cast<std::thread*>(thread);
}

// A lock is a plain mutex, made once and kept for the process like the critical sections it stands for.
PlatformHandle Platform_CreateLock() { return new std::mutex; }

void Platform_Lock(PlatformHandle lock) {
  if (lock != nullptr) static_cast<std::mutex*>(lock)->lock();
}

void Platform_Unlock(PlatformHandle lock) {
  if (lock != nullptr) static_cast<std::mutex*>(lock)->unlock();
}

void Fake_SetCpuCount(uint32_t cpus) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  cpuCount = cpus;
}

void Fake_ScrambleReads(bool on) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  scrambleReads = on;
}

std::vector<std::string> Fake_ReadOrder() {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  return readOrder;
}

uint32_t Platform_UsableCpuCount() {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  Call("UsableCpuCount", "");
  return cpuCount;
}

namespace {

struct FakeSemaphore {
  std::mutex lock;
  std::condition_variable raised;
  int32_t count;
};

}  // namespace

PlatformHandle Platform_CreateSemaphore(int32_t initialCount, int32_t) {
  {
    std::lock_guard<std::recursive_mutex> hold(fakeLock);
    if (Call("CreateSemaphore", "")) return nullptr;
  }
  return new FakeSemaphore{{}, {}, initialCount};
}

void Platform_ReleaseSemaphore(PlatformHandle semaphore, int32_t count) {
  FakeSemaphore* fake = static_cast<FakeSemaphore*>(semaphore);
  std::lock_guard<std::mutex> hold(fake->lock);
  fake->count += count;
  fake->raised.notify_all();
}

void Platform_WaitSemaphore(PlatformHandle semaphore) {
  FakeSemaphore* fake = static_cast<FakeSemaphore*>(semaphore);
  std::unique_lock<std::mutex> hold(fake->lock);
  fake->raised.wait(hold, [fake] { return fake->count > 0; });
  fake->count -= 1;
}

void Platform_CloseSemaphore(PlatformHandle semaphore) { delete static_cast<FakeSemaphore*>(semaphore); }

void Fake_SetFilteredAdministrator(bool filtered) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  filteredAdministrator = filtered;
}

bool Platform_IsFilteredAdministrator() {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  return filteredAdministrator;
}

bool Platform_DeleteFile(const char* path) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("DeleteFile", path)) return false;
  std::string key = Resolve(Seen(path), false);
  if (key.empty() || tree[key].directory || !tree[key].linkTarget.empty()) return false;
  if (tree[key].attributes & PLATFORM_ATTR_READONLY) {
    lastError = 5;
    return false;
  }
  RemoveKey(key);
  return true;
}

uint32_t Platform_MoveFile(const char* from, const char* to, bool replace) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("MoveFile", from)) return PLATFORM_RENAME_FAILED;
  std::string key = Resolve(Seen(from), false);
  std::string parentKey, name;
  if (key.empty() || tree[key].directory || !ParentAndName(to, &parentKey, &name)) return PLATFORM_RENAME_FAILED;
  std::string newKey = parentKey + "\\" + Lower(name);
  if (newKey == key) return PLATFORM_RENAME_DONE;
  if (tree.count(newKey) && (!replace || tree[newKey].directory)) {
    lastError = 183;  // ERROR_ALREADY_EXISTS
    return PLATFORM_RENAME_FAILED;
  }
  if (VolumeOf(parentKey) != VolumeOf(key)) {
    lastError = 17;  // ERROR_NOT_SAME_DEVICE
    return PLATFORM_RENAME_OTHER_VOLUME;
  }
  if (tree.count(newKey)) RemoveKey(newKey);
  Node node = tree[key];
  node.name = name;
  RemoveKey(key);
  tree[newKey] = node;
  tree[parentKey].children.push_back(newKey);
  return PLATFORM_RENAME_DONE;
}

bool Platform_CreateFolder(const char* path) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("CreateFolder", path)) return false;
  std::string key = Resolve(Seen(path));
  if (!key.empty()) return tree[key].directory;
  std::string parentKey, name;
  if (!ParentAndName(path, &parentKey, &name)) return false;
  MakeNode(path, true);
  return true;
}

bool Platform_FullPath(const char* path, char* full, uint32_t size) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  if (Call("FullPath", path)) return false;
  // The stand-in's current folder is C:\; only relative paths are asked for.
  std::string whole = std::string("C:\\") + path;
  for (char& c : whole) c = c == '/' ? '\\' : c;
  if (whole.size() + 1 > size) return false;
  std::memcpy(full, whole.c_str(), whole.size() + 1);
  return true;
}

uint32_t Platform_LastError() {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  return lastError;
}

void Platform_UtcNow(PlatformTime* now) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  Call("UtcNow", "");
  *now = PlatformTime{2026, 12, 10, 14, 25, 41};
}

// Not SHA-256: a stand-in digest of the same size that differs whenever the bytes do, as the tests need.
bool Platform_Sha256OpenFile(PlatformHandle file, uint8_t digest[PLATFORM_SHA256_SIZE]) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  FileState* state = static_cast<FileState*>(file);
  const Node* found = OpenNode("Sha256OpenFile", file);
  if (found == nullptr) return false;
  std::string rest = state->position < found->contents.size() ? found->contents.substr(state->position) : "";
  state->position = found->contents.size();
  for (int lane = 0; lane < PLATFORM_SHA256_SIZE / 8; ++lane) {
    uint64_t hash = 1469598103934665603ull + static_cast<uint64_t>(lane) * 0x9E3779B97F4A7C15ull;
    for (unsigned char c : rest) hash = (hash ^ c) * 1099511628211ull;
    hash ^= rest.size();
    for (int byte = 0; byte < 8; ++byte) digest[lane * 8 + byte] = static_cast<uint8_t>(hash >> (8 * byte));
  }
  return true;
}

bool Platform_Sha256Prepare() { return true; }

void Fake_SetOwner(const std::string& path, const std::string& owner) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  std::string key = Resolve(path, false);
  if (!key.empty()) tree[key].owner = owner;
}

bool Platform_GetOpenFileOwner(PlatformHandle file, char* account, uint32_t size) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  const Node* found = OpenNode("GetOpenFileOwner", file);
  if (found == nullptr || found->owner.empty() || found->owner.size() + 1 > size) return false;
  std::memcpy(account, found->owner.c_str(), found->owner.size() + 1);
  return true;
}

uint32_t Platform_TickCount() {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  Call("TickCount", "");
  return fakeTicks;
}

void Fake_AdvanceTicks(uint32_t milliseconds) {
  std::lock_guard<std::recursive_mutex> hold(fakeLock);
  fakeTicks += milliseconds;
}

// ASCII letters only: the stand-in's names fold as Windows folds them in the invariant locale's ASCII range.
bool Platform_FoldCase(const char* text, char* folded, uint32_t size) {
  size_t length = std::strlen(text);
  if (length + 1 > size) return false;
  for (size_t i = 0; i <= length; ++i) folded[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
  return true;
}
