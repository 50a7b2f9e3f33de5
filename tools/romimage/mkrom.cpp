// quillmark-mkrom: writes a ROM image with a species table, for trying the editor
// without a game and for the tests.
#include "RomImage.h"

#include <cstdio>
#include <cstring>
#include <fstream>
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
        else if (arg == "--table-start" && hasValue)
            recipe.tableBase = std::stoll(argv[++i]);
        else if (arg == "--layout" && hasValue) {
            const std::string layout = argv[++i];
            if (layout == "retail")
                recipe.layout = Layout::Retail;
            else if (layout == "rebuilt")
                recipe.layout = Layout::Rebuilt;
            else if (layout == "bare")
                recipe.layout = Layout::HeaderAndTable;
            else {
                std::fprintf(stderr, "quillmark-mkrom: --layout is retail, rebuilt or bare\n");
                return 1;
            }
        }
        else if (arg == "--tail" && hasValue) {
            const std::string tail = argv[++i];
            if (tail == "zeros")
                recipe.tail = Tail::Zeros;
            else if (tail == "padded")
                recipe.tail = Tail::Padded;
            else if (tail == "trimmed")
                recipe.tail = Tail::Trimmed;
            else if (tail == "full")
                recipe.tail = Tail::Full;
            else {
                std::fprintf(stderr, "quillmark-mkrom: --tail is zeros, padded, trimmed or full\n");
                return 1;
            }
        } else if (arg == "--learnsets-last")
            recipe.levelUpLast = true;
        else if (arg == "--help" || arg == "-h" || arg.starts_with("-")) {
            std::printf("usage: quillmark-mkrom OUT.nds [--code ADAE] [--data personal.csv] "
                        "[--size BYTES] [--layout retail|rebuilt|bare] [--table-start OFFSET]\n"
                        "       [--tail zeros|padded|trimmed|full] [--learnsets-last]\n"
                        "--data takes dp_personal_members.csv, pt_personal.csv or hgss_personal.csv (every\n"
                        "record of the archive) or dp_personal.csv (the species alone); without it\n"
                        "the table holds synthetic values. The image has the\n"
                        "game's file tree with filler files and the species archive where the\n"
                        "cartridge keeps it (retail), packed from 0x4000 as rebuilding tools\n"
                        "leave it (rebuilt), or a header and the table alone (bare; the editors\n"
                        "take such an image only with real data: give --data). After the used\n"
                        "image: zeros to the next MiB, 0xFF up to the capacity as a cartridge dump\n"
                        "has it (padded), nothing (trimmed), or a used size at the capacity\n"
                        "(full). --learnsets-last puts the level-up archive after every other file.\n");
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
        // dp_personal_members.csv, pt_personal.csv and hgss_personal.csv hold every
        // archive member; dp_personal.csv the 493 species alone.
        std::string header;
        std::getline(std::ifstream(data), header);
        const bool members = header.starts_with("member,");
        auto records = members ? readPersonalMembersCsv(data, &error) : readPersonalCsv(data, &error);
        if (!records) {
            std::fprintf(stderr, "quillmark-mkrom: %s\n", error.c_str());
            return 1;
        }
        (members ? recipe.members : recipe.records) = std::move(*records);
    }
    ImageLayout layout;
    if (!writeRomImage(out, recipe, &error, &layout)) {
        std::fprintf(stderr, "quillmark-mkrom: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: game code %s, table at %lld\n", out.c_str(), recipe.gameCode.c_str(),
                static_cast<long long>(layout.tableBase));
    return 0;
}
