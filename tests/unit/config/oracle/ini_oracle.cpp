// Asks the Windows INI reader itself what it makes of a file, so that the portable reader can be
// held to the same answers. Each line of the query file names a file, a section and a key; each
// output line gives the platform's answers for them. Texts travel escaped (\xHH for every byte
// outside the printable ASCII range and for '\'), fields are separated by tabs.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
      out.push_back(static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string escape(const char* text) {
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    if (*p < 0x20 || *p > 0x7E || *p == '\\') {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", *p);
      out += hex;
    } else {
      out.push_back(static_cast<char>(*p));
    }
  }
  return out;
}

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(unescape(line.substr(start, tab - start)));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// Unix paths from the test reach the Windows side through Wine's Z: drive.
std::string windowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ini_oracle QUERIES\n");
    return 2;
  }
  std::FILE* queries = std::fopen(argv[1], "rb");
  if (queries == nullptr) return 2;
  std::string line;
  int ch;
  while ((ch = std::fgetc(queries)) != EOF) {
    if (ch != '\n') {
      line.push_back(static_cast<char>(ch));
      continue;
    }
    const std::vector<std::string> f = splitTabs(line);
    line.clear();
    if (f.size() != 3) return 3;
    const std::string path = windowsPath(f[0]);
    char plain[256];
    char withDefault[256];
    GetPrivateProfileStringA(f[1].c_str(), f[2].c_str(), "", plain, sizeof plain, path.c_str());
    GetPrivateProfileStringA(f[1].c_str(), f[2].c_str(), "(none)", withDefault, sizeof withDefault,
                             path.c_str());
    const int number =
        static_cast<int>(GetPrivateProfileIntA(f[1].c_str(), f[2].c_str(), 12345, path.c_str()));
    std::printf("%s\t%s\t%d\n", escape(plain).c_str(), escape(withDefault).c_str(), number);
  }
  std::fclose(queries);
  return 0;
}
