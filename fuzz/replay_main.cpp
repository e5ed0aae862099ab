// Stands in for libFuzzer outside fuzzing builds: feeds every file of the given folders (or
// the given files) to the fuzz target once, so the seed corpus runs as an ordinary test. As
// libFuzzer does, it hands each input over in a heap block of exactly its size, so that a
// sanitizer build sees any read past it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg = argv[i];
    if (!std::filesystem::exists(arg)) {
      std::fprintf(stderr, "%s: not found\n", argv[i]);
      return 1;
    }
    if (std::filesystem::is_directory(arg)) {
      for (const auto& e : std::filesystem::directory_iterator(arg)) {
        if (e.is_regular_file()) files.push_back(e.path());
      }
    } else {
      files.push_back(arg);
    }
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::fprintf(stderr, "no inputs\n");
    return 1;
  }
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[data.size()]);
    std::copy(data.begin(), data.end(), exact.get());
    LLVMFuzzerTestOneInput(exact.get(), data.size());
  }
  std::printf("replayed %zu inputs\n", files.size());
  return 0;
}
