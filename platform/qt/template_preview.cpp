#include "platform/template_preview.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include "platform/qt/dialog_builder.h"
#include "platform/qt/dialog_impl.h"
#include "platform/qt/text.h"

namespace {

// The client area with a plain title strip above it, as a window manager would frame it.
bool SaveFramedPicture(QWidget& client, const QString& caption, const std::string& pngPath) {
  const QFontMetrics captionMetrics(client.font());
  const int titleHeight = captionMetrics.height() + 10;
  QImage image(client.width(), client.height() + titleHeight, QImage::Format_ARGB32);
  image.fill(client.palette().color(QPalette::Window));
  QPainter painter(&image);
  painter.fillRect(0, 0, image.width(), titleHeight, QColor(0x3c, 0x5a, 0x8c));
  painter.setPen(Qt::white);
  QFont bold = client.font();
  bold.setBold(true);
  painter.setFont(bold);
  painter.drawText(QRect(8, 0, image.width() - 30, titleHeight), Qt::AlignVCenter | Qt::AlignLeft,
                   caption);
  painter.drawText(QRect(image.width() - 22, 0, 16, titleHeight), Qt::AlignCenter,
                   QStringLiteral("x"));
  client.render(&painter, QPoint(0, titleHeight), QRegion(),
                QWidget::DrawWindowBackground | QWidget::DrawChildren);
  painter.end();
  return image.save(QString::fromLocal8Bit(pngPath.c_str()), "PNG");
}

}  // namespace

bool SaveTemplatePicture(const DialogTemplate& dialogTemplate, const std::string& pngPath) {
  QWidget client;
  BuildDialog(client, dialogTemplate, false, {}, nullptr);
  client.ensurePolished();
  return SaveFramedPicture(client, ToQt(dialogTemplate.caption), pngPath);
}

bool SaveWindowPicture(CDialog& dialog, const std::string& pngPath) {
  QWidget* window = ControlAccess::Of(dialog).window;
  if (window == nullptr) return false;
  // A window still being initialised is shown first, so it is drawn as the user would see it.
  if (!window->isVisible()) window->show();
  QApplication::processEvents();
  return SaveFramedPicture(*window, window->windowTitle(), pngPath);
}

std::vector<std::string> FindClippedTexts(const DialogTemplate& dialogTemplate) {
  std::vector<std::string> clipped;
  for (const ControlTemplate& control : dialogTemplate.controls) {
    if (!TextFits(control, dialogTemplate)) {
      clipped.push_back(std::to_string(control.id) + ": " + control.text);
    }
  }
  return clipped;
}
