#pragma once

#include "common/TestFilms.h"
#include "decoder/Mpeg2Source.h"

#include <gtest/gtest.h>
#include <vector>

// Films opened with Mpeg2Source itself, for what its statistics show.
class SourceFixture : public ::testing::Test {
protected:
    static d2v::Mpeg2Source* OpenFilm(d2v::Mpeg2Source& source, const TestFilmRecipe& recipe) {
        const QString path = MakeTestFilm(recipe);
        if (path.isEmpty() || !source.Open(path.toStdString()))
            return nullptr;
        return &source;
    }
    static TestFilmRecipe Gop12() {
        TestFilmRecipe recipe;
        recipe.frames = 120;
        recipe.gopSize = 12;
        return recipe;
    }
    static std::vector<uint8_t> Rgb(d2v::Mpeg2Source& source, int frame) {
        const uint8_t* data = source.RgbFrame(frame);
        if (!data)
            return {};
        return {data, data + static_cast<size_t>(source.Width()) * static_cast<size_t>(source.Height()) * 3};
    }
    static std::vector<uint8_t> Yuv(d2v::Mpeg2Source& source, int frame) {
        const uint8_t* data = source.YuvFrame(frame);
        if (!data)
            return {};
        return {data,
                data + static_cast<size_t>(source.Width()) * static_cast<size_t>(source.Height()) * 3 / 2};
    }
};
