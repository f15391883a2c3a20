-- Fills an empty database with the data of a small ERP server (customers, products, invoices with
-- their items, attached documents), the same on every run for the same seed and scale.
-- Variables: seed (any integer), scale (rows grow with it), docs (attached documents).
SET client_min_messages = warning;
SET max_parallel_workers_per_gather = 0;
SET generator.seed = :'seed';

-- A number in [0, 1) drawn from (seed, stream, n) alone, so the data never depends on call order.
CREATE FUNCTION pg_temp.rnd(stream text, n bigint) RETURNS double precision
  LANGUAGE sql STABLE AS
  $$ SELECT ('x' || substr(md5(current_setting('generator.seed') || '/' || stream || '/' || n), 1, 12))::bit(48)::bigint / 281474976710656.0 $$;
-- One element of an array, drawn the same way.
CREATE FUNCTION pg_temp.pick(stream text, n bigint, choices text[]) RETURNS text
  LANGUAGE sql STABLE AS
  $$ SELECT choices[1 + floor(pg_temp.rnd(stream, n) * array_length(choices, 1))::int] $$;
-- Bytes that do not compress, like a scanned document or a signed PDF.
CREATE FUNCTION pg_temp.blob(stream text, n bigint, len int) RETURNS bytea
  LANGUAGE sql STABLE AS
  $$ SELECT substr(decode(string_agg(md5(current_setting('generator.seed') || '/' || stream || '/' || n || '/' || k), '' ORDER BY k), 'hex'), 1, len)
       FROM generate_series(1, (len + 15) / 16) AS k $$;

CREATE TABLE clientes (
  id integer PRIMARY KEY,
  nome text NOT NULL,
  cpf_cnpj varchar(18) NOT NULL UNIQUE,
  cidade text NOT NULL,
  uf char(2) NOT NULL,
  email text,
  limite_credito numeric(12, 2) NOT NULL DEFAULT 0,
  ativo boolean NOT NULL DEFAULT true,
  cadastrado_em date NOT NULL
);
CREATE INDEX clientes_nome_idx ON clientes (nome);

CREATE TABLE produtos (
  id integer PRIMARY KEY,
  codigo varchar(20) NOT NULL UNIQUE,
  descricao text NOT NULL,
  unidade varchar(3) NOT NULL,
  preco numeric(12, 2) NOT NULL CHECK (preco >= 0),
  estoque numeric(14, 3) NOT NULL
);

CREATE SEQUENCE notas_fiscais_numero_seq START 1001;
CREATE TABLE notas_fiscais (
  id integer PRIMARY KEY,
  numero bigint NOT NULL UNIQUE DEFAULT nextval('notas_fiscais_numero_seq'),
  cliente_id integer NOT NULL REFERENCES clientes (id),
  emitida_em timestamp NOT NULL,
  natureza_operacao text NOT NULL,
  observacoes text,
  total numeric(14, 2) NOT NULL DEFAULT 0
);
ALTER SEQUENCE notas_fiscais_numero_seq OWNED BY notas_fiscais.numero;
CREATE INDEX notas_fiscais_emitida_em_idx ON notas_fiscais (emitida_em);

CREATE TABLE itens_nota (
  nota_id integer NOT NULL REFERENCES notas_fiscais (id) ON DELETE CASCADE,
  item smallint NOT NULL,
  produto_id integer NOT NULL REFERENCES produtos (id),
  quantidade numeric(12, 3) NOT NULL,
  preco_unitario numeric(12, 2) NOT NULL,
  PRIMARY KEY (nota_id, item)
);

CREATE TABLE documentos (
  id integer PRIMARY KEY,
  nota_id integer NOT NULL REFERENCES notas_fiscais (id) ON DELETE CASCADE,
  nome_arquivo text NOT NULL,
  tipo varchar(40) NOT NULL,
  conteudo bytea NOT NULL
);

INSERT INTO clientes
SELECT i,
       pg_temp.pick('nome', i, ARRAY['João', 'José', 'Conceição', 'Antônio', 'Inês', 'Sebastião', 'Lúcia', 'Márcio', 'Cecília', 'Estêvão', 'Adélia', 'Ângela'])
         || ' ' || pg_temp.pick('sobrenome', i, ARRAY['da Silva', 'Gonçalves', 'Brandão', 'Araújo', 'Simões', 'Conceição', 'Magalhães', 'Nóbrega', 'Leão', 'Falcão'])
         || CASE WHEN i % 5 = 0 THEN ' Comércio de Alimentos Ltda.' WHEN i % 7 = 0 THEN ' Indústria e Serviços ME' ELSE '' END,
       lpad((floor(pg_temp.rnd('doc', i) * 1e11)::bigint * 1000 + i % 1000)::text, 14, '0'),
       pg_temp.pick('cidade', i, ARRAY['São Paulo', 'Florianópolis', 'Maringá', 'Ribeirão Preto', 'Goiânia', 'Belém', 'São José dos Pinhais', 'Jaraguá do Sul', 'Vitória da Conquista', 'Cuiabá']),
       pg_temp.pick('uf', i, ARRAY['SP', 'SC', 'PR', 'GO', 'PA', 'MT', 'BA', 'MG']),
       CASE WHEN i % 9 = 0 THEN NULL ELSE 'contato' || i || '@cliente' || (i % 97) || '.com.br' END,
       round((pg_temp.rnd('limite', i) * 50000)::numeric, 2),
       i % 23 <> 0,
       date '2015-01-01' + floor(pg_temp.rnd('cadastro', i) * 3600)::int
FROM generate_series(1, 40 * :scale) AS i;

INSERT INTO produtos
SELECT i,
       'P' || lpad(i::text, 6, '0'),
       pg_temp.pick('produto', i, ARRAY['Açúcar cristal', 'Café torrado e moído', 'Feijão carioca', 'Óleo de soja', 'Pão de queijo congelado', 'Farinha de mandioca', 'Maçã gala', 'Limão taiti', 'Parafuso sextavado', 'Tinta acrílica fosca', 'Cabo elétrico flexível', 'Sabão em pó'])
         || ' ' || pg_temp.pick('embalagem', i, ARRAY['1 kg', '5 kg', '500 g', '900 ml', 'caixa c/ 12', 'rolo 100 m', 'galão 3,6 l']),
       pg_temp.pick('unidade', i, ARRAY['UN', 'KG', 'CX', 'LT', 'M']),
       round((1 + pg_temp.rnd('preco', i) * 499)::numeric, 2),
       round((pg_temp.rnd('estoque', i) * 10000)::numeric, 3)
FROM generate_series(1, 20 * :scale) AS i;

INSERT INTO notas_fiscais (id, cliente_id, emitida_em, natureza_operacao, observacoes)
SELECT i,
       1 + floor(pg_temp.rnd('cliente', i) * 40 * :scale)::int,
       timestamp '2024-01-01 08:00' + make_interval(secs => floor(pg_temp.rnd('emissao', i) * 3 * 365 * 86400)),
       pg_temp.pick('natureza', i, ARRAY['Venda de mercadoria', 'Devolução de compra', 'Remessa para conserto', 'Bonificação', 'Transferência entre filiais']),
       CASE WHEN i % 4 = 0 THEN 'Entrega após às 14h; conferir volumes. Pedido nº ' || (i * 7) || ' — ' || md5(:'seed' || 'obs' || i) END
FROM generate_series(1, 120 * :scale) AS i
ORDER BY i;

INSERT INTO itens_nota
SELECT n.id, k,
       1 + floor(pg_temp.rnd('produto_item', n.id * 10 + k) * 20 * :scale)::int,
       round((1 + pg_temp.rnd('qtd', n.id * 10 + k) * 99)::numeric, 3),
       round((1 + pg_temp.rnd('preco_item', n.id * 10 + k) * 499)::numeric, 2)
FROM notas_fiscais n, generate_series(1, 1 + floor(pg_temp.rnd('itens', n.id) * 6)::int) AS k;

UPDATE notas_fiscais n SET total = s.total
FROM (SELECT nota_id, sum(round(quantidade * preco_unitario, 2)) AS total FROM itens_nota GROUP BY nota_id) s
WHERE s.nota_id = n.id;

INSERT INTO documentos
SELECT i,
       1 + (i * 37) % (120 * :scale),
       CASE WHEN i % 3 = 0 THEN 'comprovante_' || i || '.jpg' ELSE 'nfe_' || lpad(i::text, 9, '0') || '_assinada.pdf' END,
       CASE WHEN i % 3 = 0 THEN 'image/jpeg' ELSE 'application/pdf' END,
       pg_temp.blob('documento', i, 6000 + floor(pg_temp.rnd('tamanho', i) * 4000)::int)
FROM generate_series(1, :docs) AS i;

CREATE VIEW faturamento_mensal AS
SELECT date_trunc('month', n.emitida_em)::date AS mes, c.uf, count(*) AS notas, sum(n.total) AS total
FROM notas_fiscais n JOIN clientes c ON c.id = n.cliente_id
GROUP BY 1, 2;

ANALYZE;
