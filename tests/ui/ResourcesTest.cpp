// SPDX-License-Identifier: GPL-3.0-or-later
// The compiled-in resources against the program's design: every template's controls, the
// initial combo rows, the strings, the icon and the wizard's side bitmap; and the loader's
// handling of broken data.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "ui/ResourceStore.h"
#include "ui/qt/QtResources.h"
#include "ui/testing/BuiltInResources.h"
#include "ui/testing/GuiTest.h"

namespace halvo::ui {
namespace {

using testing::BuiltInResources;

using K = ControlKind;

struct Row {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, w, h;
};

void ExpectControls(int templateId, const std::vector<Row>& rows) {
    SCOPED_TRACE("template " + std::to_string(templateId));
    const DialogTemplate* t = BuiltInResources().FindTemplate(templateId);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->controls.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i));
        const ControlTemplate& c = t->controls[i];
        EXPECT_EQ(c.id, rows[i].id);
        EXPECT_EQ(c.kind, rows[i].kind) << ControlKindName(c.kind);
        EXPECT_EQ(c.text, QString::fromUtf8(rows[i].text));
        EXPECT_EQ(c.rect, QRect(rows[i].x, rows[i].y, rows[i].w, rows[i].h));
    }
}

TEST(BuiltInResources, MainWindowTemplate) {
    const DialogTemplate* t = BuiltInResources().FindTemplate(102);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->title, "Halvo");
    EXPECT_EQ(t->size, QSize(443, 264));
    EXPECT_EQ(t->font.face, QString::fromUtf8("宋体"));
    EXPECT_EQ(t->font.pointSize, 9);
    EXPECT_TRUE(t->Has(styleSysMenu));
    EXPECT_TRUE(t->Has(styleMinimizeBox));
    ExpectControls(102, {
                            {1001, K::listBox, "", 17, 23, 101, 183},
                            {0, K::groupBox, "Device list", 11, 13, 114, 200},
                            {1005, K::pushButton, "Refresh list", 12, 229, 59, 15},
                            {1006, K::pushButton, "Access via web", 83, 229, 59, 15},
                            {1007, K::pushButton, "Setup wizard", 154, 229, 59, 15},
                            {1080, K::pushButton, "Share mapping", 225, 229, 59, 15},
                            {1008, K::pushButton, "About", 296, 229, 59, 15},
                            {1011, K::pushButton, "Quit", 367, 229, 59, 15},
                            {0, K::etchedLine, "", 12, 222, 416, 1},
                            {0, K::label, "Firmware Version:", 141, 29, 70, 11},
                            {1016, K::valueField, "", 212, 29, 211, 11},
                            {0, K::label, "Description:", 141, 46, 70, 11},
                            {1018, K::valueField, "", 212, 46, 211, 11},
                            {0, K::label, "Mac address:", 141, 64, 70, 11},
                            {1020, K::valueField, "", 212, 64, 211, 11},
                            {0, K::label, "IP address:", 141, 82, 70, 11},
                            {1017, K::valueField, "", 212, 82, 211, 11},
                            {0, K::label, "IP status:", 141, 100, 70, 11},
                            {1043, K::valueField, "", 212, 100, 211, 11},
                            {0, K::groupBox, "Basic information", 133, 13, 296, 109},
                            {1081, K::listView, "", 139, 138, 284, 69},
                            {0, K::groupBox, "USB information", 133, 128, 296, 85},
                        });
    const ControlTemplate* list = t->Find(1001);
    EXPECT_TRUE(list->Has(styleNotify));
    EXPECT_TRUE(list->Has(styleVScroll));
    EXPECT_TRUE(list->Has(styleBorder));
    EXPECT_TRUE(list->Has(styleTabStop));
    EXPECT_TRUE(t->Find(1081)->Has(styleReport));
    for (const ControlTemplate& c : t->controls) {
        EXPECT_FALSE(c.Has(styleDisabled)) << c.id;
    }
}

TEST(BuiltInResources, AboutTemplate) {
    const DialogTemplate* t = BuiltInResources().FindTemplate(100);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->title, "About");
    EXPECT_EQ(t->size, QSize(235, 55));
    ASSERT_EQ(t->controls.size(), 4u);
    EXPECT_EQ(t->controls[0].kind, K::icon);
    EXPECT_EQ(t->controls[0].image, 128);
    EXPECT_EQ(t->controls[0].rect, QRect(11, 17, 20, 20));
    EXPECT_EQ(t->controls[1].text, "Halvo Version 0.9");
    EXPECT_TRUE(t->controls[1].Has(styleNoPrefix));
    EXPECT_EQ(t->controls[1].rect, QRect(40, 10, 119, 8));
    EXPECT_EQ(t->controls[2].kind, K::label);
    EXPECT_FALSE(t->controls[2].text.empty());
    EXPECT_EQ(t->controls[2].rect, QRect(40, 25, 119, 8));
    EXPECT_EQ(t->controls[3].id, 1);
    EXPECT_EQ(t->controls[3].kind, K::defPushButton);
    EXPECT_EQ(t->controls[3].text, "OK");
    EXPECT_TRUE(t->controls[3].Has(styleTabStop));
    EXPECT_EQ(t->controls[3].rect, QRect(178, 7, 50, 14));
}

TEST(BuiltInResources, ShareMappingTemplate) {
    const DialogTemplate* t = BuiltInResources().FindTemplate(105);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->title, "Share Mapping");
    EXPECT_EQ(t->size, QSize(392, 263));
    EXPECT_EQ(t->font.face, "MS Sans Serif");
    EXPECT_EQ(t->font.pointSize, 8);
    ExpectControls(
        105, {
                 {1, K::defPushButton, "OK", 159, 236, 50, 14},
                 {2, K::pushButton, "Cancel", 325, 235, 50, 14},
                 {0, K::groupBox, "Login name and password", 12, 12, 367, 76},
                 {0, K::label,
                  "Use the following username and password to map remote share to local drive:", 19,
                  27, 322, 17},
                 {0, K::label, "Username:", 19, 44, 37, 13},
                 {1072, K::edit, "", 64, 44, 98, 13},
                 {0, K::label, "Password:", 19, 66, 37, 13},
                 {1073, K::edit, "", 64, 66, 98, 13},
                 {0, K::groupBox, "Map share to local", 12, 94, 367, 41},
                 {1071, K::comboBox, "", 18, 110, 126, 114},
                 {0, K::label, "Map to:", 148, 113, 31, 9},
                 {1075, K::comboBox, "", 181, 110, 140, 114},
                 {1076, K::pushButton, "Map", 330, 110, 42, 12},
                 {0, K::groupBox, "List of mapped share", 12, 140, 367, 85},
                 {1074, K::listView, "", 18, 157, 301, 61},
                 {1077, K::pushButton, "Unmap", 329, 169, 42, 12},
                 {1078, K::pushButton, "Unmap all", 329, 190, 42, 12},
             });
    EXPECT_TRUE(t->Find(1073)->Has(stylePassword));
    EXPECT_FALSE(t->Find(1072)->Has(stylePassword));
    EXPECT_TRUE(t->Find(1071)->Has(styleDropDown));
    EXPECT_TRUE(t->Find(1075)->Has(styleDropDown));
    EXPECT_TRUE(t->Find(1074)->Has(styleSingleSel));
    EXPECT_TRUE(t->Find(1074)->Has(styleShowSelAlways));
}

TEST(BuiltInResources, WizardTemplates) {
    const DialogTemplate* frame = BuiltInResources().FindTemplate(129);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->title, "Wizard");
    EXPECT_EQ(frame->size, QSize(362, 218));
    ExpectControls(129, {
                            {1024, K::picture, "", 8, 7, 109, 169},
                            {1023, K::etchedFrame, "", 123, 7, 231, 169},
                            {0, K::etchedLine, "", 9, 182, 344, 1},
                            {1021, K::pushButton, "<< Back", 127, 191, 45, 14},
                            {1022, K::defPushButton, "Next >>", 175, 191, 45, 14},
                            {1070, K::pushButton, "Skip", 260, 191, 45, 14},
                            {2, K::pushButton, "Cancel", 308, 191, 45, 14},
                        });
    EXPECT_EQ(frame->Find(1024)->image, 136);
    EXPECT_TRUE(frame->Find(1021)->Has(styleDisabled));
    EXPECT_FALSE(frame->Find(1022)->Has(styleDisabled));

    const DialogTemplate* system = BuiltInResources().FindTemplate(130);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(system->frame, FrameKind::child);
    EXPECT_EQ(system->size, QSize(235, 163));
    ExpectControls(130, {
                            {1027, K::checkBox, "Don't input password next time", 15, 32, 180, 11},
                            {1039, K::label, "Device description:", 15, 58, 77, 12},
                            {1029, K::edit, "", 96, 58, 123, 12},
                            {1063, K::label, "Device timezone:", 15, 77, 77, 12},
                            {1062, K::comboBox, "", 96, 77, 123, 80},
                            {1040, K::label, "Device Date:", 15, 98, 77, 12},
                            {1059, K::datePicker, "", 96, 98, 123, 14},
                            {1041, K::label, "Device time:", 15, 119, 77, 12},
                            {1060, K::timePicker, "", 96, 119, 123, 14},
                        });
    EXPECT_TRUE(system->Find(1027)->Has(styleAuto));
    // "Drop-down combo box": a list with a field that can be typed into.
    EXPECT_TRUE(system->Find(1062)->Has(styleDropDown));

    const DialogTemplate* network = BuiltInResources().FindTemplate(131);
    ASSERT_NE(network, nullptr);
    EXPECT_EQ(network->frame, FrameKind::child);
    EXPECT_EQ(network->size, QSize(225, 159));
    ExpectControls(131, {
                            {1043, K::label, "Protocol:", 13, 28, 71, 12},
                            {1045, K::comboBox, "", 91, 28, 84, 47},
                            {1044, K::label, "IP address:", 13, 45, 71, 12},
                            {1050, K::ipAddress, "", 91, 45, 83, 12},
                            {1046, K::label, "Subnet mask:", 13, 63, 71, 12},
                            {1051, K::ipAddress, "", 91, 63, 83, 12},
                            {1047, K::label, "Default gateway:", 13, 81, 71, 12},
                            {1052, K::ipAddress, "", 91, 81, 83, 12},
                            {1048, K::label, "Primary dns:", 13, 99, 71, 12},
                            {1053, K::ipAddress, "", 91, 99, 83, 12},
                            {1049, K::label, "Secondary dns:", 13, 119, 71, 12},
                            {1054, K::ipAddress, "", 91, 119, 83, 12},
                        });
    EXPECT_EQ(network->Find(1045)->items, (std::vector<std::string>{"Static IP", "DHCP"}));
    EXPECT_TRUE(network->Find(1045)->Has(styleDropDown));

    const DialogTemplate* finish = BuiltInResources().FindTemplate(132);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->size, QSize(235, 163));
    ASSERT_EQ(finish->controls.size(), 1u);
    EXPECT_EQ(finish->controls[0].text, "The end of Halvo!");
    EXPECT_TRUE(finish->controls[0].Has(styleCenter));
}

TEST(BuiltInResources, VerifyTemplate) {
    const DialogTemplate* t = BuiltInResources().FindTemplate(141);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->title, "Verify");
    EXPECT_EQ(t->size, QSize(279, 98));
    ExpectControls(141, {
                            {1065, K::edit, "", 100, 29, 104, 14},
                            {1066, K::edit, "", 100, 51, 104, 14},
                            {1069, K::defPushButton, "OK", 87, 76, 51, 15},
                            {2, K::pushButton, "Cancel", 161, 77, 50, 14},
                            {1068, K::label, "Name:", 24, 32, 70, 14},
                            {1067, K::label, "Password:", 24, 53, 70, 13},
                            {0, K::label, "Please input current administrator's name and password",
                             22, 12, 219, 12},
                        });
    EXPECT_TRUE(t->Find(1066)->Has(stylePassword));
    EXPECT_TRUE(t->Find(1068)->Has(styleRight));
    EXPECT_TRUE(t->Find(1067)->Has(styleRight));
}

TEST(BuiltInResources, TimezoneTableRows) {
    QStringList rows;
    for (const std::string& row : BuiltInResources().FindTemplate(130)->Find(1062)->items) {
        rows << QString::fromStdString(row);
    }
    ASSERT_EQ(rows.size(), 75);
    EXPECT_EQ(rows[0], "(GMT-12:00) International Date Line West ");
    EXPECT_EQ(rows[4], "(GMT-08:00) Pacific Time (US &amp; Canada); Tijuana ");
    EXPECT_EQ(rows[9], "(GMT-06:00) Central Time (US &amp; Canda) ");
    EXPECT_EQ(rows[26], "(GMT) Greenwich Mean Time: Dublin,Edinburgh,Lisbon,London ");
    EXPECT_EQ(rows[49], "(GMT+05:45) Kathmandu ");
    EXPECT_EQ(rows[56], "(GMT+08:00) Beijing, Chongqing, Hong Kong, Urumqi ");
    EXPECT_EQ(rows[73], "(GMT+12:00) Fiji, Kamchatka, Marshall Is. ");
    EXPECT_EQ(rows[74], "(GMT+13:00) Nuku'alofa");
    for (int i = 0; i < 74; ++i) {
        EXPECT_TRUE(rows[i].endsWith(QLatin1Char(' ')) && !rows[i].endsWith(QStringLiteral("  ")))
            << i;
        EXPECT_TRUE(rows[i].startsWith(QStringLiteral("(GMT"))) << i;
    }
}

TEST(BuiltInResources, Strings) {
    EXPECT_EQ(BuiltInResources().String(101), "About Ostrel");
    const QString failed = QString::fromStdString(BuiltInResources().String(103));
    EXPECT_EQ(failed, QString::fromUtf8("Windows socket initialization failed\xE3\x80\x82"));
    EXPECT_EQ(failed.back().unicode(), 0x3002);
    EXPECT_TRUE(BuiltInResources().String(999).empty());
}

TEST(BuiltInResources, IconHasEverySizeFrom100To200Percent) {
    const QIcon icon = qt::LoadIcon(BuiltInResources(), 128);
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : {16, 20, 24, 32, 40, 48, 64, 256}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    }
    // At twice the pixels, the 32-pixel icon is drawn from the 64-pixel image, not blown up.
    const QPixmap twice = icon.pixmap(QSize(32, 32), 2.0);
    EXPECT_EQ(twice.size(), QSize(64, 64));
    const Bytes png64 = BuiltInResources().Icon(128)[6];
    const QImage source = QImage::fromData(png64.data(), static_cast<int>(png64.size()));
    ASSERT_EQ(source.size(), QSize(64, 64));
    EXPECT_EQ(twice.toImage().convertToFormat(QImage::Format_ARGB32),
              source.convertToFormat(QImage::Format_ARGB32));
    EXPECT_TRUE(qt::LoadIcon(BuiltInResources(), 129).isNull());
}

TEST(BuiltInResources, SideBitmapIsTwoGreysIn16Colours) {
    const Bytes stored = BuiltInResources().Bitmap(136);
    const QByteArray bytes(reinterpret_cast<const char*>(stored.data()),
                           static_cast<qsizetype>(stored.size()));
    ASSERT_GT(bytes.size(), 30);
    EXPECT_EQ(bytes.left(2), "BM");
    EXPECT_EQ(static_cast<int>(bytes[28]), 4);  // bits per pixel: 16 colours

    // At 100 % the design's own file; at 200 % (either the device's ratio or the logical dpi)
    // the one drawn at 2x, the same size on screen, never an enlargement of the small one.
    const QPixmap plain = qt::LoadBitmap(BuiltInResources(), 136);
    EXPECT_EQ(plain.devicePixelRatio(), 1.0);
    EXPECT_EQ(plain.size(), QSize(160, 249));
    const QPixmap byDpi = qt::LoadBitmap(BuiltInResources(), 136, 1.0, 192);
    EXPECT_EQ(byDpi.size(), QSize(320, 498));
    EXPECT_EQ(byDpi.deviceIndependentSize().toSize(), QSize(320, 498));
    const QPixmap atOneAndAHalf = qt::LoadBitmap(BuiltInResources(), 136, 1.5);
    EXPECT_EQ(atOneAndAHalf.size(), QSize(320, 498));
    EXPECT_EQ(atOneAndAHalf.deviceIndependentSize().toSize(), QSize(160, 249));

    // Drawn at 2x, with the same two greys split at the same place: 160 x 249 on screen.
    const QPixmap pixmap = qt::LoadBitmap(BuiltInResources(), 136, 2.0);
    EXPECT_EQ(pixmap.devicePixelRatio(), 2.0);
    EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), QSize(160, 249));
    const QImage image = pixmap.toImage();
    ASSERT_EQ(image.size(), QSize(320, 498));
    const QRgb light = qRgb(0xC0, 0xC0, 0xC0);
    const QRgb dark = qRgb(0x80, 0x80, 0x80);
    for (int y = 0; y < 498; ++y) {
        for (int x : {0, 160, 319}) {
            EXPECT_EQ(image.pixel(x, y) & 0xFFFFFFu, (y < 250 ? light : dark) & 0xFFFFFFu)
                << x << "," << y;
        }
    }
}

// ---------------------------------------------------------------- loader

class StoreOnDisk : public ::testing::Test {
  protected:
    void Write(const QString& name, const QByteArray& content) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    std::string LoadError(const QByteArray& dialog) {
        Write("manifest.json", R"({"dialogs": ["d.json"], "strings": {"7": "seven"}})");
        Write("d.json", dialog);
        ResourceStore store;
        std::string error;
        EXPECT_FALSE(store.Load(dir.path().toStdString(), &error));
        return error;
    }

    QTemporaryDir dir;
};

TEST_F(StoreOnDisk, LoadsATemplateAndItsStrings) {
    Write("manifest.json", R"({"dialogs": ["d.json"], "strings": {"7": "seven"}})");
    Write("d.json", R"({"id": 5, "title": "T", "size": [10, 20], "frame": "modal",
        "font": {"face": "宋体", "pointSize": 9},
        "controls": [{"id": 3, "kind": "comboBox", "styles": ["dropDownList"],
                      "rect": [1, 2, 3, 4], "items": ["a", "b"]}]})");
    ResourceStore store;
    std::string error;
    ASSERT_TRUE(store.Load(dir.path().toStdString(), &error)) << error;
    EXPECT_EQ(store.String(7), "seven");
    const DialogTemplate& t = store.Template(5);
    EXPECT_EQ(t.Find(3)->items, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(t.Find(0), nullptr);
    EXPECT_THROW(store.Template(6), std::logic_error);
}

TEST_F(StoreOnDisk, ABitmapHasOneFileOrOneForEachScale) {
    Write("d.json", R"({"id": 5, "title": "T", "size": [10, 20], "frame": "modal",
        "font": {"face": "F", "pointSize": 9}, "controls": []})");
    Write("a.bmp", "A");
    Write("b.bmp", "B");
    Write("b2.bmp", "BB");
    Write("manifest.json",
          R"({"dialogs": ["d.json"], "bitmaps": {"1": "a.bmp", "2": ["b.bmp", "b2.bmp"]}})");
    ResourceStore store;
    std::string error;
    ASSERT_TRUE(store.Load(dir.path().toStdString(), &error)) << error;
    EXPECT_EQ(store.Bitmap(1), Bytes{'A'});
    EXPECT_TRUE(store.Bitmap(1, 2).empty());
    EXPECT_EQ(store.Bitmap(2), Bytes{'B'});
    EXPECT_EQ(store.Bitmap(2, 2), (Bytes{'B', 'B'}));
    EXPECT_TRUE(store.Bitmap(2, 0).empty());
    EXPECT_TRUE(store.Bitmap(2, 3).empty());

    for (const QByteArray bad : {R"("bitmaps": {"1": []})", R"("bitmaps": {"1": ["a.bmp", 2]})",
                                 R"("bitmaps": {"1": ["a.bmp", "none.bmp"]})"}) {
        Write("manifest.json", R"({"dialogs": ["d.json"], )" + bad + "}");
        EXPECT_FALSE(store.Load(dir.path().toStdString(), &error)) << bad.toStdString();
        EXPECT_EQ(store.Bitmap(2, 2), (Bytes{'B', 'B'})) << "kept what it held";
    }
}

TEST_F(StoreOnDisk, BrokenTemplatesAreRefusedWithTheirPlace) {
    const QByteArray head =
        R"({"id": 5, "title": "T", "size": [10, 20], "frame": "modal",
            "font": {"face": "F", "pointSize": 9}, "controls": )";
    std::string error = LoadError(head + R"([{"id": 3, "kind": "slider", "rect": [1, 2, 3, 4]}]})");
    EXPECT_TRUE((error.find("d.json") != std::string::npos)) << error;
    EXPECT_TRUE((error.find("control 0 (id 3)") != std::string::npos)) << error;
    EXPECT_TRUE((error.find("slider") != std::string::npos)) << error;

    error = LoadError(head + R"([{"kind": "label", "rect": [1, 2, 3]}]})");
    EXPECT_TRUE((error.find("rect") != std::string::npos)) << error;

    error = LoadError(head + R"([{"id": 3, "kind": "label", "rect": [1, 2, 3, 4]},
                                 {"id": 3, "kind": "label", "rect": [1, 2, 3, 4]}]})");
    EXPECT_TRUE((error.find("used twice") != std::string::npos)) << error;

    error = LoadError(head + R"([{"id": 3, "kind": "comboBox", "rect": [1, 2, 3, 4]}]})");
    EXPECT_TRUE((error.find("dropDown") != std::string::npos)) << error;

    error = LoadError(head + R"([{"id": 3, "kind": "label", "rect": [1, 2, 3, 4],
                                  "items": ["x"]}]})");
    EXPECT_TRUE((error.find("items") != std::string::npos)) << error;

    error = LoadError(head + R"([{"kind": "picture", "rect": [1, 2, 3, 4]}]})");
    EXPECT_TRUE((error.find("image") != std::string::npos)) << error;

    error = LoadError(head + R"([{"kind": "label", "rect": [1, 2, 3, 4], "style": []}]})");
    EXPECT_TRUE((error.find("unknown field \"style\"") != std::string::npos)) << error;

    error = LoadError(R"({"id": 5, "title": "T")");
    EXPECT_TRUE((error.find("not valid JSON") != std::string::npos)) << error;
}

TEST_F(StoreOnDisk, AFailedLoadKeepsWhatTheStoreHeld) {
    Write("manifest.json", R"({"dialogs": [], "strings": {"7": "seven"}})");
    ResourceStore store;
    std::string error;
    ASSERT_TRUE(store.Load(dir.path().toStdString(), &error));
    Write("manifest.json", R"({"dialogs": ["missing.json"], "strings": {"7": "eight"}})");
    EXPECT_FALSE(store.Load(dir.path().toStdString(), &error));
    EXPECT_TRUE((error.find("missing.json") != std::string::npos)) << error;
    EXPECT_EQ(store.String(7), "seven");
}

}  // namespace
}  // namespace halvo::ui
