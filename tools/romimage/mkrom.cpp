// quillmark-mkrom: writes a ROM image with a species table, for trying the editor
// without a game and for the tests.
#include "RomImage.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    using namespace quillmark::romimage;
    ImageRecipe recipe;
    std::string out;
    std::string data;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--code" && hasValue)
            recipe.gameCode = argv[++i];
        else if (arg == "--data" && hasValue)
            data = argv[++i];
        else if (arg == "--size" && hasValue)
            recipe.fileSize = std::stoll(argv[++i]);
        else if (arg == "--help" || arg == "-h" || arg.starts_with("-")) {
            std::printf("usage: quillmark-mkrom OUT.nds [--code ADAE] [--data personal.csv] "
                        "[--size BYTES]\n"
                        "Without --data the table holds synthetic values.\n");
            return arg == "--help" || arg == "-h" ? 0 : 1;
        } else
            out = arg;
    }
    if (out.empty()) {
        std::fprintf(stderr, "quillmark-mkrom: no output file given (see --help)\n");
        return 1;
    }
    std::string error;
    if (!data.empty()) {
        auto records = readPersonalCsv(data, &error);
        if (!records) {
            std::fprintf(stderr, "quillmark-mkrom: %s\n", error.c_str());
            return 1;
        }
        recipe.records = std::move(*records);
    }
    if (!writeRomImage(out, recipe, &error)) {
        std::fprintf(stderr, "quillmark-mkrom: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: game code %s\n", out.c_str(), recipe.gameCode.c_str());
    return 0;
}
