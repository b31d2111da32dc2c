// Fuzz target of the clipboard's own records format: whatever bytes another program puts
// under it, paste reads them without a read past the data, an allocation the data cannot
// justify, or a crash, and takes no record that the text route would refuse.
//
// The table is the sample table (a field of every type, memo texts, marked records). Input:
// one byte choosing the copy whose text goes with the data (of the first one, two or three
// records), then the format's data after its magic and fingerprint, which the harness puts in
// front (anyone can compute them) so that the fuzzer reaches the records. With VX_CLIP_SEEDS
// naming a folder, the three genuine copies are written there as seeds.
#include "common/recordclip.h"
#include "common/recordimage.h"
#include "common/sampletable.h"
#include "engine/dbf.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

constexpr size_t HeadSize = 16;  // the magic and the fingerprint

struct TClipFuzz {
    fs::path Dir;
    TDBF Table;
    recordclip::TClipData Copies[3];
};

TClipFuzz& Setup() {
    static TClipFuzz* f = [] {
        auto* s = new TClipFuzz;
        const char* env = std::getenv("VX_FUZZ_DIR");
        s->Dir = (env && *env ? fs::path(env) : fs::temp_directory_path()) / ("vx-fuzz-clip-" + std::to_string(::getpid()));
        fs::create_directories(s->Dir);
        MakeSampleTable((s->Dir / "t.dbf").string(), 3);
        s->Table.SetFileName((s->Dir / "t.dbf").string());
        s->Table.Open();
        const char* seeds = std::getenv("VX_CLIP_SEEDS");
        for (uint32_t k = 0; k < 3; ++k) {
            std::vector<uint32_t> recNos;
            for (uint32_t r = 1; r <= k + 1; ++r) recNos.push_back(r);
            s->Copies[k] = recordclip::BuildClipData(s->Table, recNos);
            if (seeds && *seeds)
                std::ofstream(fs::path(seeds) / ("copy" + std::to_string(k)), std::ios::binary)
                    << char(k) << s->Copies[k].Exact.substr(HeadSize);
        }
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(Setup().Dir, ec);
        });
        return s;
    }();
    return *f;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    TClipFuzz& f = Setup();
    const recordclip::TClipData& copy = f.Copies[data[0] % 3];
    std::string exact = copy.Exact.substr(0, HeadSize);
    exact.append(reinterpret_cast<const char*>(data + 1), size - 1);
    const recordclip::TPaste p = recordclip::ParsePaste(f.Table, copy.Text, exact);
    if (p.Status != recordclip::TPaste::Ready) return 0;
    // What paste took: whole records, each with its memo texts, marked by a blank or "*", and
    // number fields that the text route stores as they stand.
    const size_t rl = f.Table.GetRecordLength();
    if (p.Records.Images.size() != p.Records.Count * rl ||
        p.Records.MemoTexts.size() != p.Records.Count * p.Records.MemoFields.size())
        std::abort();
    TRecordImage image(f.Table), scratch(f.Table);
    for (size_t r = 0; r < p.Records.Count; ++r) {
        image.Assign(&p.Records.Images[r * rl]);
        if (image.Data()[0] != ' ' && image.Data()[0] != '*') std::abort();
        for (int i = 0; i < image.FieldCount(); ++i) {
            const char type = image.Field(i).GetFieldType();
            const std::string text(image.Field(i).GetAsView());
            if ((type == 'N' || type == 'F') && (text.find_first_of("eE") != std::string::npos ||
                                                 scratch.StoreText(i, text, TRecordImage::TTextKind::Clipboard) !=
                                                     TRecordImage::TStore::Ok))
                std::abort();
        }
    }
    return 0;
}
