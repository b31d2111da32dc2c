// Decoding and encoding a 1024 x 1024 GIF of 8 bits per pixel (a smooth picture with noise, so
// that the LZW table fills and clears many times), against Qt's own GIF reader decoding the
// same file in the same run.
#include "imaging/gifcodec.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <random>

using namespace vx::img;

namespace {

constexpr int Side = 1024;
TDib Picture;
TGifColorTable Table;
std::string File;
double OurDecode = 0, QtDecode = 0;

void MakePicture() {
    Picture = TDib(Side, Side, 8);
    std::mt19937 rng(1);
    for (int i = 0; i < 256; ++i) Picture.Palette[size_t(i)] = Rgb(i, 255 - i, (i * 7) & 255);
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x) Picture.Row(y)[x] = uint8_t((x / 4 + y / 4 + int(rng() % 6)) & 255);
    Table.Count = 256;
    for (int i = 0; i < 256; ++i) Table.Set(i, Picture.Palette[size_t(i)]);
    TGifFileBlocks blocks;
    blocks.Version = 1;
    blocks.ScreenWidth = blocks.ScreenHeight = Side;
    blocks.Packed = 0xF7;
    blocks.GlobalTable = Table;
    TGifFrameBlock frame;
    frame.Width = frame.Height = Side;
    frame.LocalTable = Table;
    frame.Data = EncodeGifFrame(Picture, 8, false);
    blocks.Frames.push_back(frame);
    File = WriteGifBlocks(blocks, {});
}

template <class F>
double Timed(benchmark::State& state, F&& f) {
    double seconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        f();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    double per = seconds / double(state.iterations());
    state.counters["ms"] = per * 1e3;
    state.counters["Mpixel_per_s"] = double(Side) * Side / per / 1e6;
    return per;
}

void BM_DecodeOurs(benchmark::State& state) {
    OurDecode = Timed(state, [] {
        TGifFileBlocks f = ReadGifBlocks(File);
        TDib d = DecodeGifFrame(f.Frames[0], 8, f.Frames[0].LocalTable);
        benchmark::DoNotOptimize(d.Pixels.data());
    });
}

void BM_DecodeQt(benchmark::State& state) {
    QByteArray bytes(File.data(), qsizetype(File.size()));
    QtDecode = Timed(state, [&] {
        QImage img = QImage::fromData(bytes, "GIF");
        benchmark::DoNotOptimize(img.constBits());
    });
}

void BM_EncodeOurs(benchmark::State& state) {
    Timed(state, [] {
        std::string data = EncodeGifFrame(Picture, 8, false);
        benchmark::DoNotOptimize(data.data());
    });
}

}  // namespace

BENCHMARK(BM_DecodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeQt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeOurs)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    MakePicture();
    std::printf("GIF file: %zu bytes for %d x %d pixels\n", File.size(), Side, Side);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (QtDecode > 0) std::printf("Decoding: ours %.2f ms, Qt %.2f ms, ratio %.2f (target at most 2)\n", OurDecode * 1e3, QtDecode * 1e3, OurDecode / QtDecode);
    return 0;
}
