#include "base/csv.h"

namespace voltaris {

std::string EncodeCsvRow(const std::vector<std::string>& fields) {
  std::string row;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) row += ',';
    const std::string& f = fields[i];
    if (f.find_first_of(",\"\r\n") == std::string::npos) {
      row += f;
      continue;
    }
    row += '"';
    for (char c : f) {
      if (c == '"') row += '"';
      row += c;
    }
    row += '"';
  }
  return row + "\r\n";
}

void CsvReader::EndField() {
  fields_.push_back(std::move(field_));
  field_.clear();
}

void CsvReader::EndRow() {
  EndField();
  onRow_(fields_);
  fields_.clear();
  rowStarted_ = false;
}

void CsvReader::Feed(std::string_view bytes) {
  for (const char c : bytes) {
    if (inQuotes_) {
      if (quoteSeen_) {
        quoteSeen_ = false;
        if (c == '"') {  // "" stands for one quote
          field_ += '"';
          continue;
        }
        inQuotes_ = false;  // that quote closed the field; c is handled below
      } else if (c == '"') {
        quoteSeen_ = true;
        continue;
      } else {
        field_ += c;
        continue;
      }
    }
    if (pendingCr_) {
      pendingCr_ = false;
      if (c == '\n') {
        EndRow();
        continue;
      }
      field_ += '\r';  // a lone CR is data
    }
    rowStarted_ = true;
    switch (c) {
      case ',': EndField(); break;
      case '"':
        if (field_.empty()) inQuotes_ = true;
        else field_ += c;
        break;
      case '\r': pendingCr_ = true; break;
      case '\n': EndRow(); break;
      default: field_ += c;
    }
  }
}

bool CsvReader::Finish(std::vector<std::string>* tornFields) {
  const bool torn = rowStarted_ || inQuotes_ || pendingCr_ || !field_.empty() || !fields_.empty();
  if (torn && tornFields) {
    if (pendingCr_) field_ += '\r';
    EndField();
    *tornFields = fields_;
  }
  fields_.clear();
  field_.clear();
  inQuotes_ = quoteSeen_ = pendingCr_ = rowStarted_ = false;
  return torn;
}

}  // namespace voltaris
