// Stand-in for a product's follow-up program: it records its command line in Windows/<NAME>.LOG, NAME
// being its own file name without extension in upper case, and ends with 0.
#include <cctype>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "standins/invocation_log.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    std::string name = platform::FileNamePart(args.empty() ? std::string("RECORDER") : args[0]);
    name = name.substr(0, name.find('.'));
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    standins::AppendInvocation(name + ".LOG", args);
    return 0;
}
