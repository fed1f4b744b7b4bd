#pragma once

#include <QString>

// The text of a PDF as poppler's pdftotext lays it out; empty when it cannot be read.
QString pdfText(const QString &fileName);
