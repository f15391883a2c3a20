// Makes the archive benchmark's corpus from a fixed seed: a dump file of the nature of a
// PostgreSQL custom-format dump (a plain table of contents, then table data in zlib-compressed
// blocks) and about 20,000 small XML-like and PDF-like files in nested work folders, with some
// empty folders, laid out as the backup archives them.
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace stdfs = std::filesystem;

namespace {

std::mt19937_64 rng(20261209);

const std::vector<std::string> words = {
    "empresa", "trabalhador", "evento",  "competencia", "remuneracao", "rubrica",  "valor",   "cpf",
    "cnpj",    "nota",        "servico", "tomador",     "prestador",   "aliquota", "iss",     "base",
    "calculo", "municipio",   "codigo",  "descricao",   "data",        "emissao",  "numero",  "serie",
    "retencao", "inss",       "irrf",    "fgts",        "lotacao",     "cargo",    "salario", "admissao"};

std::string word() { return words[rng() % words.size()]; }
std::string digits(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('0' + rng() % 10));
  return s;
}

// Text of the nature of table rows: words, numbers, dates.
std::string rows(size_t bytes) {
  std::string s;
  while (s.size() < bytes) {
    s += digits(7) + "\t" + word() + " " + word() + "\t" + digits(11) + "\t2024-" + digits(1) + "-1" + digits(1) +
         "\t" + digits(5) + "." + digits(2) + "\t" + word() + "_" + digits(3) + "\n";
  }
  s.resize(bytes);
  return s;
}

std::string xml(size_t bytes) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<eSocial><evento id=\"ID" + digits(20) + "\">\n";
  while (s.size() < bytes) {
    std::string tag = word();
    s += "  <" + tag + ">" + word() + " " + digits(1 + rng() % 12) + "</" + tag + ">\n";
  }
  return s + "</evento></eSocial>\n";
}

std::string deflateText(const std::string& text, int level) {
  uLongf size = compressBound(text.size());
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(text.data()), text.size(), level);
  out.resize(size);
  return out;
}

// A PDF's look: a text header and objects, with page content in deflated streams.
std::string pdf(size_t bytes) {
  std::string s = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n";
  int object = 3;
  while (s.size() < bytes) {
    std::string stream = deflateText(rows(6000 + rng() % 8000), 6);
    s += std::to_string(object++) + " 0 obj\n<< /Length " + std::to_string(stream.size()) +
         " /Filter /FlateDecode >>\nstream\n" + stream + "\nendstream\nendobj\n";
  }
  return s + "trailer\n<< /Root 1 0 R >>\n%%EOF\n";
}

void writeFile(const stdfs::path& p, const std::string& content) {
  stdfs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << content;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: zip_bench_corpus FOLDER [DUMP_MB]\n");
    return 2;
  }
  stdfs::path root = argv[1];
  size_t dumpBytes = static_cast<size_t>(argc > 2 ? std::stoul(argv[2]) : 356) << 20;
  stdfs::create_directories(root / "backup");

  // The dump: header and table of contents in plain text, then compressed table data.
  {
    std::ofstream dump(root / "backup" / "tarvio.backup", std::ios::binary);
    std::string toc = "PGDMP\x01\x0e\x00\x04\x08\x01\x01";
    while (toc.size() < (256u << 10)) {
      toc += "TABLE DATA public " + word() + "_" + digits(3) + " postgres\nCREATE TABLE public." + word() + " (id integer, " +
             word() + " text, valor numeric(15,2));\n";
    }
    dump << toc;
    size_t written = toc.size();
    while (written < dumpBytes) {
      std::string block = deflateText(rows(256u << 10), 1);
      std::string header(1, '\x01');
      header += std::to_string(block.size());
      dump << header << block;
      written += header.size() + block.size();
    }
  }

  // Work folders: the five of the tomcat tree and the two of the jetty tree, files nested by
  // year and month; a share of names repeat between the two trees.
  struct Tree {
    std::string base;
    std::vector<std::string> folders;
  };
  std::vector<Tree> trees = {
      {"tomcat/work/tarvio", {"tarvio_nfse", "trabalhadores", "esocial", "manifestacaodestinatario", "reinf"}},
      {"jetty/work/tarvio", {"tarvio_nfse", "trabalhadores"}}};
  int files = 0;
  uint64_t bytes = 0;
  for (int n = 0; n < 20000; ++n) {
    const Tree& tree = trees[n % 7 < 5 ? 0 : 1];
    const std::string& folder = tree.folders[n % 7 < 5 ? n % 7 : n % 7 - 5];
    stdfs::path dir = root / tree.base / folder / ("20" + std::to_string(20 + rng() % 5)) / digits(1) / word();
    bool isPdf = rng() % 10 < 3;
    std::string name = (isPdf ? "doc-" : "evento-") + std::to_string(n % 7 < 5 ? n : n % 2000) + (isPdf ? ".pdf" : ".xml");
    std::string content = isPdf ? pdf(8000 + rng() % 16000) : xml(2000 + rng() % 12000);
    writeFile(dir / name, content);
    ++files;
    bytes += content.size();
    if (n % 400 == 0) stdfs::create_directories(root / tree.base / folder / ("vazia-" + std::to_string(n)));
  }
  std::printf("corpus: dump %zu MiB, %d files of %llu MiB in the work folders\n", dumpBytes >> 20, files,
              static_cast<unsigned long long>(bytes >> 20));
  return 0;
}
