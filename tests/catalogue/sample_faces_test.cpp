// Every sample drawn in its own file's face, checked against an independent renderer: the
// catalogue's grids are grabbed and each sample is compared with the same text drawn by PIL
// (python3-pil) straight from each file.
#include "app/form2.h"
#include "app/user_settings.h"
#include "controls/flex_grid.h"
#include "support/font_folder_fixture.h"
#include "support/private_fonts.h"

#include <QDir>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

// argv: pixel size, crop PNGs, "--", font files. Prints how like each file's own rendering of
// the sample every crop is: the correlation of the two ink images (each cut to its ink, brought
// to one size) times how well their sizes agree.
const char* kCompare = R"(
import json, sys
from PIL import Image, ImageDraw, ImageFont
size = int(sys.argv[1]); split = sys.argv.index('--')
crops, fonts = sys.argv[2:split], sys.argv[split + 1:]
def trim(ink):
    return ink.crop(ink.point(lambda v: 255 if v > 60 else 0).getbbox())
def crop_ink(path):
    im = Image.open(path).convert('L')
    hist = im.histogram()
    bg = max(range(256), key=lambda v: hist[v])
    span = max(bg, 255 - bg, 1)
    return trim(im.point(lambda v: min(255, abs(v - bg) * 255 // span)))
def font_ink(face_of_file):
    path, _, face = face_of_file.partition('#')
    f = ImageFont.truetype(path, size, index=int(face or 0))
    l, t, r, b = f.getbbox('AaBbCc123')
    im = Image.new('L', (r - l + 20, b - t + 20), 0)
    ImageDraw.Draw(im).text((10 - l, 10 - t), 'AaBbCc123', font=f, fill=255)
    return trim(im)
def likeness(a, b):
    (wa, ha), (wb, hb) = a.size, b.size
    sizes = min(wa, wb) / max(wa, wb) * min(ha, hb) / max(ha, hb)
    pa, pb = list(a.getdata()), list(b.resize(a.size, Image.BILINEAR).getdata())
    ma, mb = sum(pa) / len(pa), sum(pb) / len(pb)
    cov = sum((x - ma) * (y - mb) for x, y in zip(pa, pb))
    va, vb = sum((x - ma) ** 2 for x in pa), sum((y - mb) ** 2 for y in pb)
    return cov / (va * vb) ** 0.5 * sizes if va and vb else 0.0
inks = {f: font_ink(f) for f in fonts}
print(json.dumps({c: {f: likeness(crop_ink(c), inks[f]) for f in fonts} for c in crops}))
)";

QByteArray runPython(const char* script, const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), QString::fromUtf8(script)} + args);
  p.waitForFinished(120000);
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
  return p.readAllStandardOutput();
}

struct SampleFacesTest : FontFolderTest {
  QStringList files;  // in the catalogue's order; "path#face" for a face of a collection

  void TearDown() override { saveFontFormats(FontFormats::TrueType); }

  // Copies a font under new names, so that no system font shares them.
  void copyFont(const QByteArray& from, const std::string& to, const QString& family, const QString& sub,
                const QString& full) {
    EXPECT_EQ(makeOpenTypeFonts({"font", tree.q("fonts/" + to), QString::fromUtf8(from), family, sub, full}), "");
    files << tree.q("fonts/" + to);
  }
  // Saves every row's sample cell; the whole grid goes to the temporary folder for a person.
  QStringList grabSamples(FlexGrid& grid, const QString& name) {
    grid.grab().save(QDir::temp().filePath("typorama_samples_" + name + ".png"));
    const QImage image = grid.viewport()->grab().toImage();
    QStringList crops;
    for (int r = 0; r < grid.Rows(); ++r) {
      const QRect cell = grid.visualRect(grid.model()->index(r, 2)).adjusted(3, 3, -4, -4) & image.rect();
      crops << tree.q(name.toStdString() + std::to_string(r) + ".png");
      EXPECT_TRUE(image.copy(cell).save(crops.last()));
    }
    return crops;
  }
  // Each sample is most like its own file, and very like it.
  void expectOwnFaces(const QStringList& crops, int pixelSize) {
    QStringList args{QString::number(pixelSize)};
    args << crops << QStringLiteral("--") << files;
    const QJsonObject scores = QJsonDocument::fromJson(runPython(kCompare, args)).object();
    ASSERT_EQ(crops.size(), files.size());
    for (int r = 0; r < crops.size(); ++r) {
      const QJsonObject row = scores.value(crops[r]).toObject();
      const double own = row.value(files[r]).toDouble();
      EXPECT_GT(own, 0.6) << "row " << r;
      for (const QString& other : files) {
        if (other == files[r]) continue;
        EXPECT_LT(row.value(other).toDouble(), own - 0.05) << "row " << r << " vs " << other.toStdString();
      }
    }
  }
};

}  // namespace

TEST_F(SampleFacesTest, EachSampleShowsItsOwnFileInBothGrids) {
  ASSERT_TRUE(tree.folder("fonts/a"));
  ASSERT_TRUE(tree.folder("fonts/b"));
  const char* dejavu = "/usr/share/fonts/truetype/dejavu/";
  const char* liberation = "/usr/share/fonts/truetype/liberation/";
  // Two files of one family nobody knows, and two versions of one font of different shapes.
  copyFont(QByteArray(dejavu).append("DejaVuSans-Bold.ttf"), "bold.ttf", "Quillon Sans", "Bold",
           "Quillon Sans Bold");
  copyFont(QByteArray(liberation).append("LiberationSans-Italic.ttf"), "italic.ttf", "Quillon Sans", "Italic",
           "Quillon Sans Italic");
  copyFont(QByteArray(liberation).append("LiberationSerif-Regular.ttf"), "a/twin.ttf", "Quillon Twin",
           "Regular", "Quillon Twin");
  copyFont(QByteArray(liberation).append("LiberationMono-Regular.ttf"), "b/twin.ttf", "Quillon Twin",
           "Regular", "Quillon Twin");

  form.PushButton1_Click();
  FlexGrid& grid = *form.MSFlexGrid1;
  ASSERT_EQ(grid.Rows(), 4);
  const QStringList names{"Quillon Sans Bold", "Quillon Sans Italic", "Quillon Twin", "Quillon Twin"};
  for (int r = 0; r < 4; ++r) ASSERT_EQ(grid.TextMatrix(r, 1), names[r]);
  expectOwnFaces(grabSamples(grid, "main"), 20);  // 15 points at 96 dots per inch

  form.PushButton2_Click();
  FlexGrid& full = *form.form2()->MSFlexGrid1;
  ASSERT_EQ(full.Rows(), 4);
  expectOwnFaces(grabSamples(full, "full"), 40);
  form.form2()->close();
  EXPECT_EQ(full.fontFilesHeld(), 0u);  // closing lets go of every face
}

// With every format shown, each face of an .otf and of TrueType and CFF collections draws as
// itself; the choice is kept; removing a face names the faces of its file.
TEST_F(SampleFacesTest, EachFaceOfEveryFormatShowsItself) {
  const QString d = kDejaVu, l = QStringLiteral("/usr/share/fonts/truetype/liberation/");
  for (const QStringList& made :
       {QStringList{"font", "a.otf", "cff:" + d + "DejaVuSans-Bold.ttf", "Q A", "Bold", "Q A Otf"},
        {"collection", "pair.ttc", l + "LiberationSerif-Regular.ttf", "Q B", "Regular", "Q B Pair",
         l + "LiberationMono-Regular.ttf", "Q C", "Regular", "Q C Pair"},
        {"collection", "pair.otc", "cff:" + d + "DejaVuSerif-Bold.ttf", "Q D", "Bold", "Q D Otc",
         "cff:" + l + "LiberationSans-Italic.ttf", "Q E", "Italic", "Q E Otc"}})
    ASSERT_EQ(makeOpenTypeFonts(QStringList{made[0], tree.q("fonts/") + made[1]} + made.mid(2)), "");
  for (const char* face : {"a.otf#0", "pair.ttc#0", "pair.ttc#1", "pair.otc#0", "pair.otc#1"})
    files << tree.q("fonts/") + face;
  form.setFontFormats(FontFormats::All);
  ASSERT_EQ(form.MSFlexGrid1->Rows(), 5);
  expectOwnFaces(grabSamples(*form.MSFlexGrid1, "faces"), 20);
  for (int r = 0; r < 5; ++r)  // face by face, with the number of faces of its file
    EXPECT_EQ(QStringLiteral("%1#%2 %3").arg(form.List1.ItemPath(r)).arg(form.List1.ItemFace(r))
                  .arg(form.catalogueFacts().value({form.List1.ItemPath(r), form.List1.ItemFace(r)}).faces),
              files[r] + (r ? " 2" : " 1"));
  EXPECT_EQ(std::make_unique<Form1>(app.services)->fontFormats(), FontFormats::All) << "kept for the next run";
  form.MSFlexGrid1->setRow(2);
  app.prompts.answers = {MsgResult::No};
  form.PushButton4_Click();
  EXPECT_EQ(app.prompts.boxes.back().text.toStdString(),
            "Are you sure you want to remove Q C Pair?\r\n\r\nIts file holds 2 fonts, and all 2 will be removed.");
}
