#pragma once
// The file system's own listing, read with readdir: the order a folder walk must keep. Subfolders are
// entered where they are listed; links to folders are left out, as the walk does not follow them.

#include <QFile>
#include <QString>
#include <QStringList>

#include <dirent.h>
#include <sys/stat.h>

inline void listLikeTheFileSystem(const QString &folder, QStringList &paths)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        const QString path = folder + QLatin1Char('/') + name;
        struct stat own {};
        struct stat target {};
        ::lstat(QFile::encodeName(path).constData(), &own);
        const bool targetIsDir = ::stat(QFile::encodeName(path).constData(), &target) == 0 && S_ISDIR(target.st_mode);
        if (S_ISDIR(own.st_mode))
            listLikeTheFileSystem(path, paths);
        else if (!(S_ISLNK(own.st_mode) && targetIsDir))
            paths << path;
    }
    ::closedir(dir);
}
