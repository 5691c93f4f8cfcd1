#!/usr/bin/env python3
"""Writes a seeded, self-contained script repository for benchmarking vktgera.

Layout under --out:
  VKTGeraInstallBD.ini      main configuration (absolute paths), repository BENCH
  docs/ORACLE, docs/SQLSERVER
                            companion documents the install run copies
  repo/<Folder>/NAME.ora    Oracle scripts     } paired, same names, CR LF lines,
  repo/<Folder>/NAME.sql    SQL Server scripts } Windows-1252 text with accents
  BENCH_arquivos.ini        the file lists (every file of every folder listed)
  out/                      PathDestino (created by the program)
  listed_ora.lst, listed_sql.lst
                            the listed source files in install order,
                            absolute paths separated by NUL (for xargs -0)
  manifest.txt              key=value summary (counts and bytes)

Only the standard library is used. The same arguments give the same bytes.
"""

import argparse
import os
import random
import sys

# Object types with a folder of their own, in the order an install run
# generates them, with the folder name as a repository typically spells it
# (the program finds folders without regard to letter case).
INSTALL_ORDER = [
    ("TYPESRULESDEFAULTS", "Types_Rules_Defaults", "code"),
    ("TABELAS", "Tabelas", "data"),
    ("EVOLUCAO", "Evolucao", "data"),
    ("PROCEDURES", "Procedures", "code"),
    ("PACKAGES", "Packages", "code"),
    ("VIEWS", "Views", "code"),
    ("FUNCTIONS", "Functions", "code"),
    ("TRIGGERS", "Triggers", "code"),
    ("SEQUENCES", "Sequences", "data"),
    ("DADOS", "Dados", "data"),
    ("GRANTS", "Grants", "data"),
    ("SINONIMOS", "Sinonimos", "data"),
    ("TEMPLATES", "Templates", "data"),
    ("EVOLUCAO2", "Evolucao2", "data"),
    ("TABELAS2", "Tabelas2", "data"),
]
# Which types get files first when --types N is smaller than the list: a mix
# of data types (wrapped in PL/SQL blocks under Oracle) and code types.
PREFERENCE = ["TABELAS", "DADOS", "PROCEDURES", "VIEWS", "PACKAGES", "FUNCTIONS", "TRIGGERS",
              "EVOLUCAO", "SEQUENCES", "TYPESRULESDEFAULTS", "GRANTS", "SINONIMOS", "TEMPLATES",
              "TABELAS2", "EVOLUCAO2"]
# Sections the install run reads besides those above; written with no files.
EMPTY_SECTIONS = ["PROCEDURES_SQL_2005", "PACKAGES_SQL_2005", "JOBS", "OPCOES_MENU"]

NAME_PREFIX = {
    "TYPESRULESDEFAULTS": "TRD", "TABELAS": "CRIA_TAB", "EVOLUCAO": "EVOL", "PROCEDURES": "PRC",
    "PACKAGES": "PKG", "VIEWS": "VW", "FUNCTIONS": "FN", "TRIGGERS": "TRG", "SEQUENCES": "SEQ",
    "DADOS": "CARGA", "GRANTS": "GRT", "SINONIMOS": "SIN", "TEMPLATES": "TPL",
    "EVOLUCAO2": "EVOL2", "TABELAS2": "CRIA_TAB2",
}

TABLES = ["CLIENTE", "PEDIDO", "ITEM_PEDIDO", "PRODUTO", "ESTOQUE", "MOVIMENTACAO", "FATURA",
          "NOTA_FISCAL", "TRANSACAO", "USUARIO", "PERMISSAO", "AUDITORIA", "PARAMETRO"]
COLUMNS = ["ID", "CODIGO", "DESCRICAO", "SITUACAO", "DT_INCLUSAO", "DT_ALTERACAO", "VALOR",
           "QUANTIDADE", "OBSERVACAO", "ID_USUARIO", "NR_VERSAO", "FL_ATIVO"]
WORDS = ["Descrição", "ação", "situação", "movimentação", "código", "não informado",
         "último", "número", "emissão", "operação", "índice", "Conferência", "padrão",
         "responsável", "exclusão", "Observação – revisão", "período", "crédito", "débito"]

ORACLE_TEMPLATES = [
    "-- {w}: {t} (versão {n})",
    "CREATE TABLE {t} (",
    "    {c} NUMBER(10) NOT NULL,",
    "    {c} VARCHAR2({n3}) DEFAULT '{w}',",
    "    {c} DATE DEFAULT SYSDATE,",
    ");",
    "ALTER TABLE {t} ADD CONSTRAINT PK_{t} PRIMARY KEY ({c});",
    "COMMENT ON COLUMN {t}.{c} IS '{w} do registro';",
    "INSERT INTO {t} ({c}, {c2}, DT_INCLUSAO) VALUES ({n}, '{w} nº {n}', SYSDATE);",
    "UPDATE {t} SET {c} = {c} + 1, {c2} = '{w}' WHERE ID = {n};",
    "  SELECT COUNT(*) INTO nAux FROM USER_TAB_COLUMNS WHERE TABLE_NAME = '{t}';",
    "  IF nAux = 0 THEN",
    "    EXECUTE IMMEDIATE 'ALTER TABLE {t} ADD {c} VARCHAR2({n3})';",
    "  END IF;",
    "CREATE OR REPLACE VIEW VW_{t} AS SELECT {c}, {c2} FROM {t} WHERE FL_ATIVO = 'S';",
    "    v_{c} := NVL(p_{c}, {n}); -- {w}",
    "",
]
SQLSERVER_TEMPLATES = [
    "-- {w}: {t} (versão {n})",
    "CREATE TABLE dbo.{t} (",
    "    {c} INT NOT NULL,",
    "    {c} VARCHAR({n3}) NULL DEFAULT '{w}',",
    "    {c} DATETIME NULL DEFAULT GETDATE(),",
    ")",
    "ALTER TABLE dbo.{t} ADD CONSTRAINT PK_{t} PRIMARY KEY ({c})",
    "EXEC sp_addextendedproperty 'MS_Description', '{w} do registro', 'user', dbo, 'table', {t}",
    "INSERT INTO dbo.{t} ({c}, {c2}, DT_INCLUSAO) VALUES ({n}, '{w} nº {n}', GETDATE())",
    "UPDATE dbo.{t} SET {c} = {c} + 1, {c2} = '{w}' WHERE ID = {n}",
    "IF NOT EXISTS (SELECT 1 FROM syscolumns WHERE id = OBJECT_ID('{t}') AND name = '{c}')",
    "BEGIN",
    "    ALTER TABLE dbo.{t} ADD {c} VARCHAR({n3}) NULL",
    "END",
    "CREATE VIEW dbo.VW_{t} AS SELECT {c}, {c2} FROM dbo.{t} WHERE FL_ATIVO = 'S'",
    "    SET @{c} = ISNULL(@p_{c}, {n}) -- {w}",
    "",
]

CODE_PAGE = "cp1252"


def line_pool(rng, templates, count):
    pool = []
    for _ in range(count):
        text = rng.choice(templates).format(
            t=rng.choice(TABLES), c=rng.choice(COLUMNS), c2=rng.choice(COLUMNS),
            w=rng.choice(WORDS), n=rng.randint(1, 99999), n3=rng.choice([30, 60, 120, 250]))
        pool.append(text.encode(CODE_PAGE) + b"\r\n")
    return pool


def script_bytes(rng, pool, header, size):
    """About `size` bytes of whole CR LF lines: a header line, then pool lines."""
    average = sum(len(x) for x in pool[:256]) / 256
    blob = header + b"".join(rng.choices(pool, k=int(size / average * 1.2) + 4))
    while len(blob) < size:
        blob += b"".join(rng.choices(pool, k=64))
    end = blob.find(b"\r\n", max(size - 2, 0))
    return blob[: end + 2]


def write_ini(path, sections):
    """Ini text in the system code page with CR LF lines."""
    lines = []
    for name, entries in sections:
        for key, value in entries:
            if len(value) > 254:  # the ini reader cuts values to 254 characters
                sys.exit(f"make_repo: value of {key} longer than 254 characters: {value}")
        lines.append(f"[{name}]")
        lines.extend(f"{k}={v}" for k, v in entries)
        lines.append("")
    with open(path, "wb") as f:
        f.write("\r\n".join(lines).encode(CODE_PAGE))


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--out", required=True, help="folder to create (must not exist or be empty)")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--types", type=int, default=10, help="object-type folders with files (1-15)")
    p.add_argument("--type-names", default="",
                   help="comma-separated keywords instead of the first --types preferred ones")
    p.add_argument("--files", type=int, default=300, help="listed files per folder and kind")
    p.add_argument("--size", type=int, default=50000, help="bytes per file (about)")
    p.add_argument("--system", default="BENCH", help="SISTEMA of the repository")
    args = p.parse_args()

    known = {k for k, _, _ in INSTALL_ORDER}
    if args.type_names:
        chosen = [t.strip().upper() for t in args.type_names.split(",") if t.strip()]
        bad = [t for t in chosen if t not in known]
        if bad:
            p.error(f"unknown object types: {', '.join(bad)}")
    else:
        if not 1 <= args.types <= len(PREFERENCE):
            p.error(f"--types must be 1..{len(PREFERENCE)}")
        chosen = PREFERENCE[: args.types]
    if args.files < 0 or args.size < 16:
        p.error("--files must be >= 0 and --size >= 16")

    out = os.path.abspath(args.out)
    os.makedirs(out, exist_ok=True)
    if os.listdir(out):
        p.error(f"{out} is not empty")
    repo = os.path.join(out, "repo")
    rng = random.Random(args.seed)
    pools = {
        ".ora": line_pool(rng, ORACLE_TEMPLATES, 4000),
        ".sql": line_pool(rng, SQLSERVER_TEMPLATES, 4000),
    }

    sections = []
    listed = {".ora": [], ".sql": []}
    total = {".ora": 0, ".sql": 0}
    width = max(5, len(str(args.files)))
    for keyword, folder, _cls in INSTALL_ORDER:
        if keyword not in chosen:
            sections.append((keyword, [("NUMFILES", "0")]))
            continue
        os.makedirs(os.path.join(repo, folder))
        names = [f"{NAME_PREFIX[keyword]}_{i:0{width}d}" for i in range(1, args.files + 1)]
        entries = [("NUMFILES", str(len(names)))]
        entries += [(f"FILE{i}", n) for i, n in enumerate(names, 1)]
        sections.append((keyword, entries))
        for name in names:
            for ext in (".ora", ".sql"):
                header = f"-- {name}{ext}: script gerado para avaliação de desempenho\r\n"
                data = script_bytes(rng, pools[ext], header.encode(CODE_PAGE), args.size)
                path = os.path.join(repo, folder, name + ext)
                with open(path, "wb") as f:
                    f.write(data)
                listed[ext].append(path)
                total[ext] += len(data)
    for keyword in EMPTY_SECTIONS:
        sections.append((keyword, [("NUMFILES", "0")]))
    file_list = os.path.join(out, f"{args.system}_arquivos.ini")
    write_ini(file_list, sections)

    write_ini(os.path.join(out, "VKTGeraInstallBD.ini"), [
        ("GERAL", [("REPOSITORIO", "BENCH")]),
        ("BENCH", [("SISTEMA", args.system), ("PathOrigem", repo),
                   ("PathDestino", os.path.join(out, "out")), ("ArqConfigIni", file_list)]),
    ])

    s = args.system.upper()
    docs = {
        "ORACLE": [f"Roteiro_Atualizacao_{s}_Oracle.doc", f"00-DBVKT_{s}_Atualizacao.sql",
                   f"00-DBVKT_{s}_Adere_Politica_Seguranca.sql"],
        "SQLSERVER": [f"Roteiro_Atualizacao_{s}_SQLServer.doc", f"00-SA_Atualizacao_{s}.bat"],
    }
    for kind, names in docs.items():
        folder = os.path.join(out, "docs", kind)
        os.makedirs(folder)
        for name in names:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(f"Documento {name} – instruções de atualização\r\n".encode(CODE_PAGE))

    for ext, stem in ((".ora", "listed_ora.lst"), (".sql", "listed_sql.lst")):
        with open(os.path.join(out, stem), "wb") as f:
            f.write(b"".join(os.fsencode(x) + b"\0" for x in listed[ext]))
    with open(os.path.join(out, "manifest.txt"), "w") as f:
        f.write(f"types={','.join(k for k, _, _ in INSTALL_ORDER if k in chosen)}\n")
        f.write(f"files_per_kind={len(listed['.ora'])}\n")
        f.write(f"ora_bytes={total['.ora']}\nsql_bytes={total['.sql']}\n")
        f.write(f"seed={args.seed}\nsize={args.size}\n")
    print(f"{out}: {len(chosen)} types, {len(listed['.ora'])} files per kind, "
          f"{total['.ora'] / 1e6:.1f} MB .ora + {total['.sql'] / 1e6:.1f} MB .sql")
    return 0


if __name__ == "__main__":
    sys.exit(main())
