#include "imaging/jpegimage.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

namespace {

// Files larger than this are not read.
constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Fatal errors jump back to the decoder's entry.
[[noreturn]] void OnError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings mean damaged data (corrupt entropy codes, unexpected markers): treated as errors so
// that a damaged picture is refused rather than shown half grey. Trace messages are dropped.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0) OnError(cinfo);
}

// A source over a fixed buffer: running out of bytes is an error (never a fake end marker),
// and skips never pass the end.
void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    cinfo->err->msg_code = JERR_INPUT_EOF;
    (*cinfo->err->error_exit)(reinterpret_cast<j_common_ptr>(cinfo));
    return FALSE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    if (static_cast<unsigned long>(count) > src->bytes_in_buffer) {
        src->next_input_byte += src->bytes_in_buffer;
        src->bytes_in_buffer = 0;
        FillInputBuffer(cinfo);
        return;
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void SetError(QString* error, const QString& text) {
    if (error) *error = text;
}

// The decoding proper. Kept free of objects with destructors between setjmp and longjmp: the
// image and the row buffer live in the caller.
bool Decode(jpeg_decompress_struct& cinfo, ErrorManager& jerr, jpeg_source_mgr& src,
            const unsigned char* data, size_t size, QImage& image, std::vector<unsigned char>& row,
            QString* error) {
    cinfo.err = jpeg_std_error(&jerr.pub);
    jerr.pub.error_exit = OnError;
    jerr.pub.emit_message = OnMessage;
    jerr.message[0] = '\0';
    if (setjmp(jerr.jump)) {
        SetError(error, QStringLiteral("Damaged JPEG data: %1").arg(QString::fromLatin1(jerr.message)));
        return false;
    }
    jpeg_create_decompress(&cinfo);
    src.init_source = InitSource;
    src.fill_input_buffer = FillInputBuffer;
    src.skip_input_data = SkipInputData;
    src.resync_to_restart = jpeg_resync_to_restart;
    src.term_source = TermSource;
    src.next_input_byte = data;
    src.bytes_in_buffer = size;
    cinfo.src = &src;

    jpeg_read_header(&cinfo, TRUE);
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : (cmyk ? JCS_CMYK : JCS_RGB);
    jpeg_start_decompress(&cinfo);

    const long long w = cinfo.output_width, h = cinfo.output_height;
    if (w <= 0 || h <= 0 || w * h > kJpegMaxPixels) {
        SetError(error, QStringLiteral("JPEG picture too large: %1 x %2").arg(w).arg(h));
        return false;
    }
    const int components = cinfo.output_components;
    if ((grey && components != 1) || (cmyk && components != 4) || (!grey && !cmyk && components != 3)) {
        SetError(error, QStringLiteral("Unsupported JPEG colour layout"));
        return false;
    }
    image = QImage(static_cast<int>(w), static_cast<int>(h),
                   grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (image.isNull()) {
        SetError(error, QStringLiteral("Not enough memory for a %1 x %2 picture").arg(w).arg(h));
        return false;
    }
    row.resize(static_cast<size_t>(w) * static_cast<size_t>(components));
    const bool adobeInverted = cmyk && cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW rows[1] = {row.data()};
        if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) {
            SetError(error, QStringLiteral("Damaged JPEG data"));
            return false;
        }
        unsigned char* out = image.scanLine(y);
        if (!cmyk) {
            std::memcpy(out, row.data(), row.size());
            continue;
        }
        for (long long x = 0; x < w; ++x) {
            int c = row[x * 4], m = row[x * 4 + 1], yy = row[x * 4 + 2], k = row[x * 4 + 3];
            if (!adobeInverted) {
                c = 255 - c; m = 255 - m; yy = 255 - yy; k = 255 - k;
            }
            // Inverted CMYK: each value is already 255 - ink.
            out[x * 3] = static_cast<unsigned char>(c * k / 255);
            out[x * 3 + 1] = static_cast<unsigned char>(m * k / 255);
            out[x * 3 + 2] = static_cast<unsigned char>(yy * k / 255);
        }
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

}  // namespace

QImage DecodeJpeg(const void* data, size_t size, QString* error) {
    if (error) error->clear();
    if (!data || size < 4) {
        SetError(error, QStringLiteral("Not a JPEG picture"));
        return {};
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (bytes[0] != 0xFF || bytes[1] != 0xD8) {
        SetError(error, QStringLiteral("Not a JPEG picture"));
        return {};
    }
    jpeg_decompress_struct cinfo;
    ErrorManager jerr;
    jpeg_source_mgr src;
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&src, 0, sizeof src);
    QImage image;
    std::vector<unsigned char> row;
    const bool ok = Decode(cinfo, jerr, src, bytes, size, image, row, error);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) return {};
    return image;
}

QImage DecodeJpeg(const QByteArray& bytes, QString* error) {
    return DecodeJpeg(bytes.constData(), static_cast<size_t>(bytes.size()), error);
}

QImage LoadJpegFile(const QString& path, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        SetError(error, QStringLiteral("Cannot open %1").arg(path));
        return {};
    }
    if (f.size() > kMaxFileBytes) {
        SetError(error, QStringLiteral("%1 is too large").arg(path));
        return {};
    }
    const QByteArray bytes = f.read(kMaxFileBytes);
    return DecodeJpeg(bytes, error);
}
