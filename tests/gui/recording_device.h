#pragma once
// A paint device that keeps what is painted on it instead of pixels: every run of text with its
// baseline and font, and every picture with the rectangle it covers, in device coordinates.
// Tests of the report read positions and texts from it, which do not depend on the fonts a
// machine has the way rendered glyphs do.

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <vector>

namespace otdr::gui::test {

class RecordingDevice : public QPaintDevice {
  public:
    struct Text {
        QString text;
        QPointF baseline;
        QFont font;
    };
    struct Picture {
        QRectF rect;
    };

    explicit RecordingDevice(QSize size) : size_(size), engine_(std::make_unique<Engine>(this)) {}

    QPaintEngine* paintEngine() const override { return engine_.get(); }

    std::vector<Text> texts;
    std::vector<Picture> pictures;

    // The texts joined into lines: runs on one baseline in the order of their x, blanks left
    // out, keyed by the baseline's y.
    std::map<int, QString> lines() const {
        std::map<int, std::vector<const Text*>> byLine;
        for (const Text& t : texts) byLine[qRound(t.baseline.y())].push_back(&t);
        std::map<int, QString> out;
        for (auto& [y, runs] : byLine) {
            std::sort(runs.begin(), runs.end(), [](const Text* a, const Text* b) {
                return a->baseline.x() < b->baseline.x();
            });
            QString line;
            for (const Text* t : runs) line += t->text;
            line.remove(QRegularExpression(QStringLiteral("\\s")));
            out[y] = line;
        }
        return out;
    }
    // The bottom edge and horizontal centre of a run of text, by its font's metrics.
    double bottomOf(const Text& t) const {
        return t.baseline.y() + QFontMetricsF(t.font, this).descent();
    }
    double centreOf(const Text& t) const {
        return t.baseline.x() + QFontMetricsF(t.font, this).horizontalAdvance(t.text) / 2;
    }

  protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
            case PdmWidth:
                return size_.width();
            case PdmHeight:
                return size_.height();
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 96;
            case PdmDepth:
                return 32;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
            default:
                return 0;
        }
    }

  private:
    class Engine : public QPaintEngine {
      public:
        explicit Engine(RecordingDevice* device) : QPaintEngine(AllFeatures), device_(device) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        Type type() const override { return User; }
        void drawTextItem(const QPointF& p, const QTextItem& item) override {
            device_->texts.push_back({item.text(), transform().map(p), item.font()});
        }
        void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override {
            device_->pictures.push_back({transform().mapRect(r)});
        }
        void drawImage(const QRectF& r, const QImage&, const QRectF&,
                       Qt::ImageConversionFlags) override {
            device_->pictures.push_back({transform().mapRect(r)});
        }
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
        void drawLines(const QLineF*, int) override {}
        void drawLines(const QLine*, int) override {}
        void drawRects(const QRectF*, int) override {}
        void drawRects(const QRect*, int) override {}
        void drawPoints(const QPointF*, int) override {}
        void drawEllipse(const QRectF&) override {}

      private:
        QTransform transform() const { return painter()->combinedTransform(); }
        RecordingDevice* device_;
    };

    QSize size_;
    std::unique_ptr<Engine> engine_;
};

}  // namespace otdr::gui::test
