#include "platform/qt/typing_limit.h"

#include <QLineEdit>
#include <QTextBoundaryFinder>
#include <QValidator>
#include <QWidget>

#include "platform/qt/text.h"

namespace {

// A typing limit that never cuts what the program put into the edit: the user can shrink an
// over-long text but not grow it, and cannot type or paste past the limit.
class TypingLimitValidator : public QValidator {
 public:
  TypingLimitValidator(QLineEdit* edit, int limit) : QValidator(edit), m_limit(limit) {
    m_allowed = VisibleLength(edit->text());
    QObject::connect(edit, &QLineEdit::textChanged,
                     [this](const QString& text) { m_allowed = VisibleLength(text); });
  }
  State validate(QString& input, int&) const override {
    const int length = VisibleLength(input);
    return m_limit <= 0 || length <= m_limit || length <= m_allowed ? Acceptable : Invalid;
  }
  int Limit() const { return m_limit; }
  void SetLimit(int limit) { m_limit = limit; }
  void Allow(int length) { m_allowed = length; }

 private:
  int m_limit;
  int m_allowed;
};

TypingLimitValidator* LimitOf(const QWidget& edit) {
  const auto* lineEdit = qobject_cast<const QLineEdit*>(&edit);
  if (lineEdit == nullptr) return nullptr;
  return dynamic_cast<TypingLimitValidator*>(const_cast<QValidator*>(lineEdit->validator()));
}

}  // namespace

int VisibleLength(const QString& text) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  int count = 0;
  while (finder.toNextBoundary() != -1) ++count;
  return count;
}

void SetTypingLimit(QWidget& edit, int maxChars) {
  auto* lineEdit = qobject_cast<QLineEdit*>(&edit);
  if (lineEdit == nullptr) return;
  if (TypingLimitValidator* limit = LimitOf(edit)) {
    limit->SetLimit(maxChars);
  } else {
    lineEdit->setValidator(new TypingLimitValidator(lineEdit, maxChars));
  }
}

int TypingLimit(const QWidget& edit) {
  const TypingLimitValidator* limit = LimitOf(edit);
  return limit != nullptr ? limit->Limit() : 0;
}

void AllowLength(QWidget& edit, int length) {
  if (TypingLimitValidator* limit = LimitOf(edit)) limit->Allow(length);
}
