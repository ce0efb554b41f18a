#include "ui/shell/window_layout.h"

#include "app/settings.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QStringList>

#include <algorithm>
#include <string>

namespace cellwatch {

namespace {

constexpr int kShare = 10000; // places are saved in ten-thousandths of the area

const char* frameKey(ViewKind kind) {
    switch (kind) {
    case ViewKind::Hierarchy:
        return "Frame hierarchy";
    case ViewKind::TraceList:
        return "Frame trace list";
    case ViewKind::Script:
        return "Frame script";
    case ViewKind::ResultLog:
        return "Frame result log";
    case ViewKind::Sram:
        return "Frame sram";
    case ViewKind::Waveform:
        return "Frame waveform";
    }
    return "Frame";
}

QByteArray readBytes(Settings& settings, const char* key) {
    const std::string text = settings.readString(kWindowSection, key, "");
    return QByteArray::fromBase64(QByteArray::fromStdString(text));
}

void writeBytes(Settings& settings, const char* key, const QByteArray& bytes) {
    settings.writeString(kWindowSection, key, bytes.toBase64().toStdString());
}

} // namespace

void restoreMainWindow(QMainWindow& window, Settings& settings) {
    const QByteArray geometry = readBytes(settings, "Geometry");
    if (geometry.isEmpty() || !window.restoreGeometry(geometry)) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect free = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 960);
        const QSize size(free.width() * 3 / 4, free.height() * 3 / 4);
        window.resize(size);
        window.move(free.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    const QByteArray state = readBytes(settings, "State");
    if (!state.isEmpty())
        window.restoreState(state);
}

void saveMainWindow(const QMainWindow& window, Settings& settings) {
    writeBytes(settings, "Geometry", window.saveGeometry());
    writeBytes(settings, "State", window.saveState());
}

std::optional<QRect> savedFramePlace(Settings& settings, ViewKind kind, QSize area) {
    const QStringList parts =
        QString::fromStdString(settings.readString(kWindowSection, frameKey(kind), "")).split(QLatin1Char(' '));
    if (parts.size() != 4 || area.isEmpty())
        return std::nullopt;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].toInt(&ok);
        if (!ok || v[i] < 0 || v[i] > kShare)
            return std::nullopt;
    }
    if (v[2] == 0 || v[3] == 0)
        return std::nullopt;
    const auto scale = [](int share, int length) {
        return static_cast<int>(static_cast<long long>(share) * length / kShare);
    };
    return QRect(scale(v[0], area.width()), scale(v[1], area.height()), scale(v[2], area.width()),
                 scale(v[3], area.height()));
}

void saveFramePlace(Settings& settings, ViewKind kind, QRect place, QSize area) {
    if (area.isEmpty() || place.isEmpty())
        return;
    const auto share = [](int at, int length) {
        return std::clamp(static_cast<int>(static_cast<long long>(at) * kShare / length), 0, kShare);
    };
    const QString text = QStringLiteral("%1 %2 %3 %4")
                             .arg(share(place.x(), area.width()))
                             .arg(share(place.y(), area.height()))
                             .arg(share(place.width(), area.width()))
                             .arg(share(place.height(), area.height()));
    settings.writeString(kWindowSection, frameKey(kind), text.toStdString());
}

} // namespace cellwatch
