// A child for the process tests: it writes its current folder and then its arguments, argv[0]
// first, one a line, to the file CHILD_PROBE_OUT names, and exits with the code CHILD_PROBE_EXIT
// gives. Both come through the environment, which shows that the child inherits it.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* out = std::getenv("CHILD_PROBE_OUT");
    if (out == nullptr) {
        return 100;
    }
    std::FILE* file = std::fopen(out, "w");
    if (file == nullptr) {
        return 101;
    }
    std::string folder(4096, '\0');
    if (getcwd(folder.data(), folder.size()) == nullptr) {
        folder.assign(1, '?');
    }
    std::fprintf(file, "%s\n", folder.c_str());
    for (int i = 0; i < argc; ++i) {
        std::fprintf(file, "%s\n", argv[i]);
    }
    std::fclose(file);
    const char* code = std::getenv("CHILD_PROBE_EXIT");
    return code == nullptr ? 0 : std::atoi(code);
}
