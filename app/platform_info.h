#pragma once
// Facts about the machine the program runs on.
#include <QString>
#include <QSysInfo>

// The title suffix: "(x64)" on a 64-bit operating system, "(x86)" otherwise.
inline QString platformSuffix(const QString& cpuArchitecture = QSysInfo::currentCpuArchitecture())
{
    return cpuArchitecture.contains(QLatin1String("64")) ? QStringLiteral("(x64)") : QStringLiteral("(x86)");
}
