-- Numeração dos pedidos (tabela auxiliar no SQL Server).
CREATE TABLE SEQ_PEDIDO (ULTIMO INT NOT NULL)
INSERT INTO SEQ_PEDIDO (ULTIMO) VALUES (0)
