#include "wayland_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "clipboard/clip_policy.h"
#include "wl_paste.h"

namespace quorvale {
namespace {

constexpr int kReadMilliseconds = 1000;

QStringList qtArguments(const std::vector<std::string>& arguments) {
  QStringList list;
  for (const auto& argument : arguments) list << QString::fromStdString(argument);
  return list;
}

// Runs wl-paste to its end; nothing when it fails or takes too long.
std::optional<QByteArray> runWlPaste(const std::vector<std::string>& arguments) {
  QProcess process;
  process.start(WlPaste::kProgram, qtArguments(arguments));
  if (!process.waitForFinished(kReadMilliseconds)) {
    process.kill();
    process.waitForFinished();
    return std::nullopt;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
  return process.readAllStandardOutput();
}

}  // namespace

WaylandClipboard::WaylandClipboard() {
  connect(&watch_, &QProcess::readyReadStandardOutput, this, [this] {
    while (watch_.canReadLine()) {
      watch_.readLine();
      ++count_;
      if (onChange) onChange();
    }
  });
  connect(&watch_, &QProcess::finished, this, [this] { watchEnded(); });
  connect(&watch_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) watchEnded();
  });
  watch_.start(WlPaste::kProgram, qtArguments(WlPaste::watchArguments()));
  lockWatch_ = std::make_unique<SessionLockWatch>(
      QDBusConnection::systemBus(), QDBusConnection::sessionBus(), [this](bool locked) {
        if (onLockChange) onLockChange(locked);
      });
}

WaylandClipboard::~WaylandClipboard() {
  stopping_ = true;
  watch_.disconnect(this);
  watch_.kill();
  watch_.waitForFinished(kReadMilliseconds);
}

void WaylandClipboard::watchEnded() {
  if (!stopping_) note_ = WlPaste::kNote;
}

std::optional<std::string> WaylandClipboard::text() const {
  // The panel asks on every keystroke: read once per change.
  if (textCount_ != count_ || !textRead_) {
    auto output = runWlPaste(WlPaste::textArguments());
    text_ = output ? std::optional<std::string>(output->toStdString()) : std::nullopt;
    textCount_ = count_;
    textRead_ = true;
  }
  return text_;
}

std::vector<std::string> WaylandClipboard::types() const {
  auto output = runWlPaste(WlPaste::typesArguments());
  return output ? WlPaste::parseTypes(output->toStdString()) : std::vector<std::string>{};
}

void WaylandClipboard::write(const std::string& text, bool concealed) {
  auto* data = new QMimeData;
  data->setText(QString::fromStdString(text));
  if (concealed) data->setData(QString::fromUtf8(kKdePasswordManagerHint), "secret");
  QGuiApplication::clipboard()->setMimeData(data);
}

void WaylandClipboard::clear() {
  QGuiApplication::clipboard()->clear();
}

}  // namespace quorvale
