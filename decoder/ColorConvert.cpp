#include "decoder/ColorConvert.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace d2v {

namespace {

enum class Matrix { Bt601, Bt709, Fcc, Smpte240 };

Matrix MatrixFor(int code) {
    switch (code) {
    case 4:
        return Matrix::Fcc;
    case 5:
    case 6:
        return Matrix::Bt601;
    case 7:
        return Matrix::Smpte240;
    default: // 1, and the unspecified or reserved codes, are read as BT.709
        return Matrix::Bt709;
    }
}

inline uint8_t Clamp8(int v) {
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

} // namespace

RgbCoefficients CoefficientsFor(int matrix, bool pcScale) {
    const Matrix m = MatrixFor(matrix);
    if (pcScale) {
        // 16-235 expanded to 0-255, chroma scaled by 255/224 as well.
        switch (m) {
        case Matrix::Bt601:
            return {16, 9539, 16525, -3209, -6660, 13075};
        case Matrix::Fcc:
            return {16, 9539, 16600, -3095, -6639, 13056};
        case Matrix::Smpte240:
            return {16, 9539, 17029, -2113, -4445, 14697};
        case Matrix::Bt709:
            break;
        }
        return {16, 9539, 17306, -1748, -4367, 14687};
    }
    double kr = 0.2126, kb = 0.0722;
    if (m == Matrix::Bt601) {
        kr = 0.299;
        kb = 0.114;
    } else if (m == Matrix::Fcc) {
        kr = 0.30;
        kb = 0.11;
    } else if (m == Matrix::Smpte240) {
        kr = 0.212;
        kb = 0.087;
    }
    const double kg = 1.0 - kr - kb;
    auto fixed = [](double x) { return static_cast<int>(std::lround(x * 8192.0)); };
    return {0,
            8192,
            fixed(2.0 * (1.0 - kb)),
            fixed(-2.0 * kb * (1.0 - kb) / kg),
            fixed(-2.0 * kr * (1.0 - kr) / kg),
            fixed(2.0 * (1.0 - kr))};
}

void ConvertToBgr24(const Yuv420View& in, ChromaSiting siting, const RgbCoefficients& k, uint8_t* out) {
    const int width = in.width, height = in.height;
    const int cw = width / 2, ch = height / 2;
    if (width <= 0 || height <= 0 || cw <= 0 || ch <= 0)
        return;
    std::vector<int> uRow(static_cast<size_t>(cw)), vRow(static_cast<size_t>(cw));

    auto verticalRow = [&](const uint8_t* plane, int pitch, int r, std::vector<int>& dst) {
        int a = 0, b = 0, wa = 0, wb = 0, shift = 0, round = 0;
        // A single chroma row has no second field to interpolate within.
        if (siting == ChromaSiting::Progressive || ch < 2) {
            const int i = std::min(r >> 1, ch - 1);
            a = i;
            b = std::clamp((r & 1) ? i + 1 : i - 1, 0, ch - 1);
            wa = 3, wb = 1, shift = 2, round = 2;
        } else {
            // Each field's chroma sits a quarter (top) or three quarters (bottom) of the way
            // between its own field lines.
            const int field = r & 1;
            const int fieldRows = (ch - field + 1) / 2;
            const int fl = r >> 1;
            const int i = std::min(fl >> 1, fieldRows - 1);
            const bool lower = (fl & 1) != 0;
            const int j = std::clamp(lower ? i + 1 : i - 1, 0, fieldRows - 1);
            a = 2 * i + field;
            b = 2 * j + field;
            const bool near = field == 0 ? !lower : lower;
            wa = near ? 7 : 5;
            wb = near ? 1 : 3;
            shift = 3, round = 4;
        }
        const uint8_t* pa = plane + static_cast<std::ptrdiff_t>(a) * pitch;
        const uint8_t* pb = plane + static_cast<std::ptrdiff_t>(b) * pitch;
        for (int x = 0; x < cw; ++x)
            dst[static_cast<size_t>(x)] = (wa * pa[x] + wb * pb[x] + round) >> shift;
    };

    // Per-value products, so that the pixel loop is table look-ups and additions.
    int yTerm[256], bTerm[256], guTerm[256], gvTerm[256], rTerm[256];
    for (int i = 0; i < 256; ++i) {
        yTerm[i] = (i - k.offset) * k.scale + 4096;
        bTerm[i] = k.bU * (i - 128);
        guTerm[i] = k.gU * (i - 128);
        gvTerm[i] = k.gV * (i - 128);
        rTerm[i] = k.rV * (i - 128);
    }
    std::vector<uint8_t> uFull(static_cast<size_t>(width)), vFull(static_cast<size_t>(width));
    auto horizontal = [cw](const std::vector<int>& half, std::vector<uint8_t>& full) {
        for (int j = 0; j < cw; ++j) {
            const int a = half[static_cast<size_t>(j)];
            const int b = j + 1 < cw ? half[static_cast<size_t>(j + 1)] : a;
            full[static_cast<size_t>(2 * j)] = static_cast<uint8_t>(a);
            full[static_cast<size_t>(2 * j + 1)] = static_cast<uint8_t>((a + b + 1) >> 1);
        }
    };

    for (int r = 0; r < height; ++r) {
        verticalRow(in.u, in.uPitch, r, uRow);
        verticalRow(in.v, in.vPitch, r, vRow);
        horizontal(uRow, uFull);
        horizontal(vRow, vFull);
        const uint8_t* yRow = in.y + static_cast<std::ptrdiff_t>(r) * in.yPitch;
        uint8_t* o = out + static_cast<std::ptrdiff_t>(r) * width * 3;
        const uint8_t* uf = uFull.data();
        const uint8_t* vf = vFull.data();
        for (int x = 0; x < width; ++x) {
            const int yy = yTerm[yRow[x]];
            o[3 * x + 0] = Clamp8((yy + bTerm[uf[x]]) >> 13);
            o[3 * x + 1] = Clamp8((yy + guTerm[uf[x]] + gvTerm[vf[x]]) >> 13);
            o[3 * x + 2] = Clamp8((yy + rTerm[vf[x]]) >> 13);
        }
    }
}

} // namespace d2v
