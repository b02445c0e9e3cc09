// SPDX-License-Identifier: GPL-3.0-or-later
// Every window of the Qt program checked for cut texts at the scale the environment gives
// (QT_SCALE_FACTOR, QT_FONT_DPI), headless unless QT_QPA_PLATFORM says otherwise:
//
//   halvo-text-fit [--scale LABEL] [--shots DIR]
//
// Prints each window's controls checked and cut, and every cut with both widths; exits 1 on any
// cut. --shots saves each window as DIR/<window>.png.
#include <QApplication>
#include <QFontInfo>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstring>
#include <string>

#include "TextFitScenes.h"
#include "platform/SystemTimeZone.h"
#include "platform/posix/IconvTextCodec.h"
#include "ui/qt/QtBackend.h"

namespace {

std::string FileName(std::string name) {
    for (char& c : name) {
        if (c == ' ' || c == ',' || c == '(' || c == ')') {
            c = '-';
        }
    }
    std::string out;
    for (const char c : name) {
        if (c != '-' || (!out.empty() && out.back() != '-')) {
            out.push_back(c);
        }
    }
    while (!out.empty() && out.back() == '-') {
        out.pop_back();
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string scale = "-";
    std::string shots;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc) {
            scale = argv[++i];
        } else if (std::strcmp(argv[i], "--shots") == 0 && i + 1 < argc) {
            shots = argv[++i];
        } else {
            std::fprintf(stderr, "usage: halvo-text-fit [--scale LABEL] [--shots DIR]\n");
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    halvo::ui::ResourceStore resources;
    std::string error;
    if (!resources.LoadBuiltIn(&error)) {
        std::fprintf(stderr, "text fit: the built-in resources: %s\n", error.c_str());
        return 2;
    }
    const auto codec = halvo::platform::IconvTextCodec::Open(65001);
    const halvo::platform::UtcTimeZone zone;
    halvo::ui::qt::QtBackend backend;
    halvo::textfit::FakeProgram program(backend, resources, zone, *codec);
    const auto pump = [] {
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
        }
    };
    bool told = false;
    const auto shown = [&](halvo::ui::Dialog& dialog, const std::string& name) {
        QWidget* window = halvo::ui::qt::WindowOf(dialog);
        if (window == nullptr) {
            return;
        }
        if (!told) {
            told = true;
            const QFontInfo font(window->font());
            std::printf("%-6s Qt: device pixel ratio %.2f, logical dpi %.0f, font \"%s\" %d px\n",
                        scale.c_str(), window->devicePixelRatioF(),
                        window->screen()->logicalDotsPerInch(), font.family().toStdString().c_str(),
                        font.pixelSize());
        }
        if (!shots.empty()) {
            const QString file = QString::fromStdString(shots + "/" + FileName(name) + ".png");
            if (!window->grab().save(file)) {
                std::fprintf(stderr, "text fit: cannot save %s\n", file.toStdString().c_str());
            }
        }
    };
    const auto fits = halvo::textfit::CheckEveryWindow(program, pump, shown);
    return halvo::textfit::PrintFits(fits, scale) ? 0 : 1;
}
