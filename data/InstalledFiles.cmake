# The programs an install of the window puts under its prefix: the program and its help reader.
set(TARN_INSTALLED_PROGRAMS bin/tarnme libexec/tarnme/tarnme-help-reader)
# The files an install puts under its prefix besides.
set(TARN_INSTALLED_FILES
    share/tarnme/tarnme.chm
    share/applications/org.example.tarn.tarnme.desktop
    share/metainfo/org.example.tarn.tarnme.metainfo.xml
    share/icons/hicolor/16x16/apps/tarnme.png
    share/icons/hicolor/32x32/apps/tarnme.png
    share/icons/hicolor/48x48/apps/tarnme.png
    share/icons/hicolor/64x64/apps/tarnme.png
    share/icons/hicolor/128x128/apps/tarnme.png
    share/icons/hicolor/256x256/apps/tarnme.png
    share/icons/hicolor/scalable/apps/tarnme.svg
    share/man/man1/tarnme.1.gz
    share/doc/tarnme/copyright
    share/doc/tarnme/changelog.gz)
