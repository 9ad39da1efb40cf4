// Times the image file path on a full chip (4096 pages of 528 bytes): loading an image file into
// pages, saving pages as an image file, both together, as the program does (straight, without
// record objects), the same through record objects, and the hex dump.
#include "image/HexFileToMemoryMapConverter.h"
#include "image/HexImageFile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace {

constexpr std::int32_t PageLength = 528;
constexpr std::int32_t ChipPages = 4096;
constexpr std::int32_t RecordLength = 32;

// A folder holding one full-chip image file, made once for all benchmarks.
class TFullImage {
public:
    TFullImage() {
        std::string Template =
            (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
        if (::mkdtemp(Template.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        Folder = Template;
        auto Pages = std::make_shared<TMemoryMap>();
        std::mt19937 Random(PageLength);
        TByteArray Data(PageLength);
        for (std::int32_t Number = 0; Number < ChipPages; ++Number) {
            for (auto& Byte : Data) {
                Byte = static_cast<std::uint8_t>(Random());
            }
            Pages->AddPage(Number, Number * PageLength, Data);
        }
        Map = Pages;
        std::shared_ptr<IHexFile> File;
        THexFileToMemoryMapConverter().MemoryMapToHex(Map, RecordLength, File);
        File->SaveToFile(Input());
    }
    ~TFullImage() {
        std::error_code Ignored;
        std::filesystem::remove_all(Folder, Ignored);
    }

    std::string Input() const { return (Folder / "full.ldr").string(); }
    std::string Output() const { return (Folder / "out.ldr").string(); }
    std::shared_ptr<IMemoryMap> Map;

private:
    std::filesystem::path Folder;
};

const TFullImage& FullImage() {
    static const TFullImage Image;
    return Image;
}

std::shared_ptr<IMemoryMap> Load(const std::string& FileName) {
    return LoadHexImageFile(FileName, PageLength);
}

void Save(const std::shared_ptr<IMemoryMap>& Map, const std::string& FileName) {
    SaveHexImageFile(*Map, FileName, RecordLength);
}

std::shared_ptr<IMemoryMap> LoadThroughRecords(const std::string& FileName) {
    auto File = std::make_shared<THexFile>();
    File->LoadFromFile(FileName);
    std::shared_ptr<IMemoryMap> Map;
    THexFileToMemoryMapConverter().HexToMemoryMap(File, PageLength, Map);
    return Map;
}

void SaveThroughRecords(const std::shared_ptr<IMemoryMap>& Map, const std::string& FileName) {
    std::shared_ptr<IHexFile> File;
    THexFileToMemoryMapConverter().MemoryMapToHex(Map, RecordLength, File);
    File->SaveToFile(FileName);
}

void LoadConvertSave(benchmark::State& State) {
    const TFullImage& Image = FullImage();
    for (auto _ : State) {
        Save(Load(Image.Input()), Image.Output());
    }
}

void LoadFullChip(benchmark::State& State) {
    const TFullImage& Image = FullImage();
    for (auto _ : State) {
        const auto Map = Load(Image.Input());
        if (Map->GetCount() != ChipPages) {
            State.SkipWithError("wrong page count");
        }
    }
}

void SaveFullChip(benchmark::State& State) {
    const TFullImage& Image = FullImage();
    for (auto _ : State) {
        Save(Image.Map, Image.Output());
    }
}

void LoadConvertSaveThroughRecords(benchmark::State& State) {
    const TFullImage& Image = FullImage();
    for (auto _ : State) {
        SaveThroughRecords(LoadThroughRecords(Image.Input()), Image.Output());
    }
}

void DumpFullChip(benchmark::State& State) {
    const TFullImage& Image = FullImage();
    for (auto _ : State) {
        const auto Lines = THexFileToMemoryMapConverter().MemoryMapToStrings(Image.Map);
        benchmark::DoNotOptimize(Lines.data());
    }
}

} // namespace

BENCHMARK(LoadConvertSave)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadFullChip)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveFullChip)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadConvertSaveThroughRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(DumpFullChip)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
