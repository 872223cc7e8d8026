#include "support/WorkbookXml.h"

#include <sstream>
#include <stdexcept>

#include "common/ChildProcess.h"

namespace folidex::test {
namespace {

// The value of attribute `name` in the tag text `tag`, or empty.
std::string Attribute(const std::string& tag, const std::string& name) {
  std::string key = " " + name + "=\"";
  std::size_t at = tag.find(key);
  if (at == std::string::npos) return {};
  at += key.size();
  return tag.substr(at, tag.find('"', at) - at);
}

std::string DecodeEntities(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    std::size_t end = text.find(';', i);
    std::string entity = text.substr(i + 1, end - i - 1);
    if (entity == "lt")
      out += '<';
    else if (entity == "gt")
      out += '>';
    else if (entity == "amp")
      out += '&';
    else if (entity == "quot")
      out += '"';
    else if (entity == "apos")
      out += '\'';
    else
      out += "&" + entity + ";";
    i = end;
  }
  return out;
}

// The elements <name ...>...</name> or <name .../> inside `xml`, each as its whole text.
std::vector<std::string> Elements(const std::string& xml, const std::string& name) {
  std::vector<std::string> found;
  std::string open = "<" + name;
  for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1)) {
    char after = xml[at + open.size()];
    if (after != ' ' && after != '>' && after != '/') continue;
    std::size_t tagEnd = xml.find('>', at);
    if (xml[tagEnd - 1] == '/') {
      found.push_back(xml.substr(at, tagEnd + 1 - at));
      continue;
    }
    std::size_t close = xml.find("</" + name + ">", tagEnd);
    found.push_back(xml.substr(at, close + name.size() + 3 - at));
  }
  return found;
}

std::string Inner(const std::string& element) {
  std::size_t start = element.find('>') + 1;
  std::size_t end = element.rfind("</");
  return end == std::string::npos || end < start ? std::string() : element.substr(start, end - start);
}

std::string OpeningTag(const std::string& element) { return element.substr(0, element.find('>') + 1); }

}  // namespace

std::string ReadWorkbookPart(const std::string& xlsx, const std::string& part) {
  ProgramResult run = RunProgram({"unzip", "-p", xlsx, part});
  if (!run.started) throw std::runtime_error("unzip cannot be run");
  return run.exitStatus == 0 ? run.output : std::string();
}

std::vector<std::string> WorkbookParts(const std::string& xlsx) {
  ProgramResult run = RunProgram({"unzip", "-Z1", xlsx});
  std::vector<std::string> parts;
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) parts.push_back(line);
  return parts;
}

std::vector<SheetRow> ParseSheetRows(const std::string& xml) {
  std::vector<SheetRow> rows;
  for (const std::string& element : Elements(xml, "row")) {
    SheetRow row;
    std::string tag = OpeningTag(element);
    row.number = std::stoi(Attribute(tag, "r"));
    row.height = Attribute(tag, "ht");
    row.customHeight = Attribute(tag, "customHeight") == "1";
    for (const std::string& c : Elements(Inner(element), "c")) {
      SheetCell cell;
      std::string cellTag = OpeningTag(c);
      cell.ref = Attribute(cellTag, "r");
      std::string style = Attribute(cellTag, "s");
      cell.style = style.empty() ? 0 : std::stoi(style);
      cell.type = Attribute(cellTag, "t");
      std::vector<std::string> t = Elements(c, "t");
      std::vector<std::string> v = Elements(c, "v");
      if (!t.empty())
        cell.value = DecodeEntities(Inner(t.front()));
      else if (!v.empty())
        cell.value = Inner(v.front());
      row.cells.push_back(cell);
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<SheetColumn> ParseSheetColumns(const std::string& xml) {
  std::vector<SheetColumn> columns;
  for (const std::string& col : Elements(xml, "col")) {
    columns.push_back(
        {std::stoi(Attribute(col, "min")), std::stoi(Attribute(col, "max")), std::stod(Attribute(col, "width"))});
  }
  return columns;
}

std::vector<CellStyle> ParseCellStyles(const std::string& xml) {
  std::map<std::string, std::string> formats = {{"0", "General"}, {"3", "#,##0"}};
  for (const std::string& f : Elements(xml, "numFmt")) {
    formats[Attribute(f, "numFmtId")] = DecodeEntities(Attribute(f, "formatCode"));
  }
  std::vector<std::string> borders = Elements(Elements(xml, "borders").at(0), "border");
  std::vector<std::string> fills = Elements(Elements(xml, "fills").at(0), "fill");
  std::vector<CellStyle> styles;
  for (const std::string& xf : Elements(Elements(xml, "cellXfs").at(0), "xf")) {
    CellStyle style;
    std::string tag = OpeningTag(xf);
    const std::string& border = borders.at(std::stoi(Attribute(tag, "borderId")));
    auto edge = [&](const char* name) {
      std::vector<std::string> e = Elements(border, name);
      return e.empty() ? std::string() : Attribute(OpeningTag(e.front()), "style");
    };
    style.left = edge("left");
    style.right = edge("right");
    style.top = edge("top");
    style.bottom = edge("bottom");
    const std::string& fill = fills.at(std::stoi(Attribute(tag, "fillId")));
    std::vector<std::string> pattern = Elements(fill, "patternFill");
    if (!pattern.empty()) style.fillPattern = Attribute(OpeningTag(pattern.front()), "patternType");
    std::vector<std::string> fg = Elements(fill, "fgColor");
    if (!fg.empty()) style.fillColour = Attribute(fg.front(), "rgb");
    std::vector<std::string> alignment = Elements(xf, "alignment");
    if (!alignment.empty()) {
      style.horizontal = Attribute(alignment.front(), "horizontal");
      style.vertical = Attribute(alignment.front(), "vertical");
    }
    style.numberFormat = formats[Attribute(tag, "numFmtId")];
    styles.push_back(style);
  }
  return styles;
}

}  // namespace folidex::test
