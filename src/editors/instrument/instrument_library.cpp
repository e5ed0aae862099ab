#include "editors/instrument/instrument_library.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "files/instrument_file.h"

namespace kelmar {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool NamedAsInstrument(const fs::path& path) { return Lower(path.extension().string()) == ".kli"; }

// A file as the browser lists it, or nothing when it is no instrument and not named as one.
bool ReadFileEntry(const fs::path& path, LibraryEntry& entry) {
  std::error_code ec;
  const bool named = NamedAsInstrument(path);
  if (!named && fs::file_size(path, ec) != kInstrumentFileSize) return false;
  entry.path = path.string();
  entry.name = named ? path.stem().string() : path.filename().string();
  const FileError error = LoadInstrumentFile(entry.path, entry.instrument, entry.synthMode);
  if (error && !named) return false;
  entry.error = error ? error.message() : std::string();
  return true;
}

bool ByKindThenName(const LibraryEntry& a, const LibraryEntry& b) {
  if (a.folder != b.folder) return a.folder;
  const std::string la = Lower(a.name), lb = Lower(b.name);
  return la != lb ? la < lb : a.name < b.name;
}

void ListInto(LibraryEntry& folder, int depth, int& budget) {
  std::error_code ec;
  for (fs::directory_iterator it(folder.path, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end && budget > 0; it.increment(ec)) {
    const fs::path& path = it->path();
    LibraryEntry entry;
    if (it->is_directory(ec)) {
      if (depth <= 0) continue;
      entry.folder = true;
      entry.path = path.string();
      entry.name = path.filename().string();
      --budget;
      ListInto(entry, depth - 1, budget);
    } else if (!it->is_regular_file(ec) || !ReadFileEntry(path, entry)) {
      continue;
    } else {
      --budget;
    }
    folder.children.push_back(std::move(entry));
  }
  std::sort(folder.children.begin(), folder.children.end(), ByKindThenName);
}

bool Holds(const std::string& name, const std::string& lowerText) {
  return Lower(name).find(lowerText) != std::string::npos;
}

// The part of `folder` that matches; false when nothing in it does.
bool FilterInto(const LibraryEntry& folder, const std::string& lowerText, LibraryEntry& out) {
  out.name = folder.name;
  out.path = folder.path;
  out.folder = true;
  for (const LibraryEntry& child : folder.children) {
    if (child.folder) {
      LibraryEntry kept;
      if (Holds(child.name, lowerText)) {
        out.children.push_back(child);
      } else if (FilterInto(child, lowerText, kept)) {
        out.children.push_back(std::move(kept));
      }
    } else if (Holds(child.name, lowerText)) {
      out.children.push_back(child);
    }
  }
  return !out.children.empty();
}

}  // namespace

LibraryEntry ListInstrumentFolder(const std::string& path, const std::string& name) {
  LibraryEntry root;
  root.folder = true;
  root.path = path;
  root.name = name;
  int budget = kLibraryEntries;
  ListInto(root, kLibraryDepth, budget);
  return root;
}

LibraryEntry FilterLibrary(const LibraryEntry& folder, std::string_view text) {
  if (text.empty()) return folder;
  LibraryEntry out;
  FilterInto(folder, Lower(text), out);
  return out;
}

}  // namespace kelmar
